#include "frontend/tray_qt/Artwork.h"

#include <QString>

static void InitArtResource() {
    // The resource lives in a static library: its registration must be pulled in by hand.
    Q_INIT_RESOURCE(art);
}

namespace dormix::tray_qt {

namespace {

QString Path(const char* name) {
    static const bool registered = (InitArtResource(), true);
    (void)registered;
    return QStringLiteral(":/art/%1.png").arg(QLatin1String(name));
}

QIcon IconSet(const char* base) {
    QIcon icon;
    for (const char* size : {"-16", "-32", "-48"})
        icon.addFile(Path((std::string(base) + size).c_str()));
    return icon;
}

}  // namespace

QIcon ProgramIcon() { return IconSet("DormixL"); }
QIcon AboutIcon() { return IconSet("DormixAbout"); }
QPixmap SmallLogo() { return QPixmap(Path("SmallLogo")); }
QPixmap AboutBackground() { return QPixmap(Path("AboutBackground")); }
QPixmap ErrorIcon() { return QPixmap(Path("Error-32")); }

}  // namespace dormix::tray_qt
