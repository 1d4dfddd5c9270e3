#include "frontend/tray_qt/WidgetBuilder.h"

#include <QApplication>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QWindow>
#include <algorithm>
#include <vector>

#include "frontend/tray_qt/Artwork.h"

namespace dormix::tray_qt {

using ui::Kind;

QRect PixelRect(const ui::Rect& r) {
    return {ui::ToPixels(r.left), ui::ToPixels(r.top), ui::ToPixels(r.width),
            ui::ToPixels(r.height)};
}

QSize ClientSize(const ui::Window& w) {
    return {ui::ToPixels(w.clientWidth), ui::ToPixels(w.clientHeight)};
}

QFont FontOf(const ui::Font& f) {
    QFont font(QString::fromUtf8(f.face.data(), qsizetype(f.face.size())));
    font.setStyleHint(QFont::SansSerif);  // where Arial is missing, its look-alike
    font.setPointSizeF(f.points);
    font.setWeight(QFont::Weight(f.weight));  // Qt 6 uses the same 100..900 scale
    font.setUnderline(f.underline);
    return font;
}

QColor ColourOf(ui::Colour c) {
    const QPalette palette = QApplication::palette();
    switch (c.system) {
        case ui::Colour::System::ButtonFace:
            return palette.color(QPalette::Window);
        case ui::Colour::System::ButtonText:
            return palette.color(QPalette::WindowText);
        case ui::Colour::System::None:
            break;
    }
    return QColor(c.Red(), c.Green(), c.Blue());
}

Qt::WindowFlags FlagsOf(const ui::Window& w) {
    Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (w.systemMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (w.minimiseBox) flags |= Qt::WindowMinimizeButtonHint;
    if (w.maximiseBox) flags |= Qt::WindowMaximizeButtonHint;
    return flags;
}

void SetForeground(QWidget* control, ui::Colour colour) {
    QPalette palette = control->palette();
    palette.setColor(QPalette::WindowText, ColourOf(colour));
    palette.setColor(QPalette::ButtonText, ColourOf(colour));
    control->setPalette(palette);
}

void SetBackground(QWidget* control, ui::Colour colour) {
    QPalette palette = control->palette();
    palette.setColor(QPalette::Window, ColourOf(colour));
    control->setPalette(palette);
}

void SetStaysOnTop(QWidget* window, bool onTop) {
    Qt::WindowFlags flags = window->windowFlags();
    if (flags.testFlag(Qt::WindowStaysOnTopHint) == onTop) return;
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    window->overrideWindowFlags(flags);
    // The native window takes the new state (_NET_WM_STATE_ABOVE) in place.
    if (QWindow* native = window->windowHandle()) native->setFlags(flags);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

namespace {

// Stacking: labels and images are drawn under everything windowed, opaque
// ones (the About window's white panel) under the transparent ones that
// are drawn over them. Within a layer the lower tab index lies lower, so the
// counter's text is never clipped by the activity mark it overlaps.
int Layer(const ui::Control& c) {
    if (c.kind == Kind::CommandButton || c.kind == Kind::PictureBox) return 2;
    return c.transparent ? 1 : 0;
}

QWidget* MakeLabel(QWidget* parent, const ui::Control& c) {
    QLabel* label = c.id == ui::Ctl::WebSite ? new ClickableLabel(parent) : new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment((c.align == ui::Align::Centre ? Qt::AlignHCenter : Qt::AlignLeft) |
                        Qt::AlignTop);
    label->setText(DisplayText(c.caption));
    SetForeground(label, c.fore);
    if (!c.transparent) {
        label->setAutoFillBackground(true);
        SetBackground(label, c.back);
    }
    if (c.id == ui::Ctl::WebSite) label->setCursor(Qt::PointingHandCursor);
    return label;
}

QWidget* MakePicture(QWidget* parent, const ui::Control& c) {
    auto* box = new QLabel(parent);
    box->setAlignment(Qt::AlignLeft | Qt::AlignTop);  // drawn from its corner, clipped
    box->setPixmap(c.picture == ui::Picture::SmallLogo ? SmallLogo() : ErrorIcon());
    return box;
}

QWidget* MakeButton(QWidget* parent, const ui::Control& c) {
    auto* button = new QPushButton(DisplayText(c.caption), parent);
    // Enter presses the focused button, as Space does, in every window.
    button->setAutoDefault(true);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

QWidget* MakeControl(QWidget* parent, const ui::Control& c) {
    QWidget* w = nullptr;
    if (c.kind == Kind::Label) w = MakeLabel(parent, c);
    if (c.kind == Kind::PictureBox || c.kind == Kind::Image) w = MakePicture(parent, c);
    if (c.kind == Kind::CommandButton) w = MakeButton(parent, c);
    if (c.kind != Kind::CommandButton) w->setFocusPolicy(Qt::NoFocus);
    w->setObjectName(QString::fromUtf8(c.name.data(), qsizetype(c.name.size())));
    w->setGeometry(PixelRect(c.rect));
    w->setFont(FontOf(c.font));
    if (!c.tooltip.empty()) w->setToolTip(DisplayText(c.tooltip));
    return w;
}

// The main window's menu tree: built, never shown, no entry does anything.
void BuildHiddenMenu(QWidget* window) {
    auto* bar = new QMenuBar(window);
    bar->setObjectName(QStringLiteral("MainMenu"));
    const auto entries = ui::MainMenu();
    std::vector<QMenu*> open;  // the menu at each level
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& e = entries[i];
        const QString caption = QString::fromUtf8(e.caption.data(), qsizetype(e.caption.size()));
        const bool hasChildren = i + 1 < entries.size() && entries[i + 1].level > e.level;
        open.resize(std::size_t(e.level));
        QAction* action = nullptr;
        if (hasChildren) {
            QMenu* menu = e.level == 0 ? bar->addMenu(caption) : open.back()->addMenu(caption);
            open.push_back(menu);
            action = menu->menuAction();
        } else if (caption == QLatin1String("-")) {
            action = open.back()->addSeparator();
        } else {
            action = open.back()->addAction(caption);
        }
        action->setObjectName(QString::fromUtf8(e.name.data(), qsizetype(e.name.size())));
        if (e.level == 0) action->setVisible(false);
    }
    bar->setVisible(false);
}

}  // namespace

void BuildWindow(QWidget* window, ui::Wnd id, QtView& view) {
    const ui::Window& def = ui::WindowOf(id);
    window->setObjectName(QString::fromUtf8(def.name.data(), qsizetype(def.name.size())));
    window->setWindowTitle(DisplayText(def.caption));
    window->setWindowFlags((window->windowFlags() & Qt::WindowType_Mask) | FlagsOf(def));
    window->setFixedSize(ClientSize(def));
    window->setWindowIcon(def.icon == ui::WindowIcon::AboutVariant ? AboutIcon() : ProgramIcon());
    if (def.background == ui::Background::AboutBitmap) {
        QPalette palette = window->palette();
        palette.setBrush(QPalette::Window, QBrush(AboutBackground()));
        window->setPalette(palette);
        window->setAutoFillBackground(true);
    }
    view.RegisterWindow(id, window);
    if (id == ui::Wnd::DormixMain) BuildHiddenMenu(window);

    std::vector<const ui::Control*> controls;
    for (const auto& c : ui::Controls())
        if (c.window == id && c.kind != Kind::Timer) controls.push_back(&c);
    std::stable_sort(controls.begin(), controls.end(), [](auto* a, auto* b) {
        return Layer(*a) != Layer(*b) ? Layer(*a) < Layer(*b) : a->tabIndex < b->tabIndex;
    });
    std::vector<std::pair<int, QWidget*>> focusable;
    for (const ui::Control* c : controls) {
        QWidget* w = MakeControl(window, *c);  // created later = drawn higher
        view.RegisterControl(c->id, w);
        if (c->kind == Kind::CommandButton) focusable.emplace_back(c->tabIndex, w);
    }
    std::sort(focusable.begin(), focusable.end());
    for (std::size_t i = 1; i < focusable.size(); ++i)
        QWidget::setTabOrder(focusable[i - 1].second, focusable[i].second);
    if (!focusable.empty()) focusable.front().second->setFocus();
}

}  // namespace dormix::tray_qt
