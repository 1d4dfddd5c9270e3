#include "QtRig.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>

namespace dormix::testing {

void TestShell::RunModal(QDialog& dialog) {
    ModalSeen seen{dialog.windowTitle(), {}, -1};
    if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
        seen.text = box->text();
        seen.icon = box->icon();
    }
    modals.push_back(seen);
    dialog.show();
    if (duringModal) duringModal(dialog);
    dialog.hide();
}

void TestShell::EndProcess(bool) {
    ended = true;
    throw ProgramEnded{};
}

QtRig::QtRig(std::string arguments)
    : app({.view = view,
           .desktop = app::Desktop::Of(shell),
           .input = &input,
           .files = files,
           .clock = clock,
           .power = power,
           .marker = marker,
           .systemLog = systemLog},
          std::move(arguments), "DormixL") {
    shell.Bind(&app);
    input.cursor = {300, 200};
}

void QtRig::Tick(int n) {
    for (int i = 0; i < n; ++i) {
        // The timer's own tick, as the event loop would deliver it.
        ASSERT_TRUE(shell.RefreshTimerRunning()) << "tick while tmrRefresh is stopped";
        app.OnRefreshTick();
    }
}

QString QtRig::Text(ui::Ctl id) {
    QWidget* w = view.Control(id);
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
    return {};
}

}  // namespace dormix::testing
