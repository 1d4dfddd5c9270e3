#pragma once
// The program's pictures, compiled into the executable as a Qt resource.

#include <QIcon>
#include <QPixmap>

namespace dormix::tray_qt {

QIcon ProgramIcon();
QIcon AboutIcon();
QPixmap SmallLogo();
QPixmap AboutBackground();
QPixmap ErrorIcon();  // 32 x 32

}  // namespace dormix::tray_qt
