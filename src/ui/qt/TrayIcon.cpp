#include "ui/qt/TrayIcon.h"

#include "ui/Texts.h"
#include "ui/qt/Artwork.h"
#include "ui/qt/QtView.h"

namespace dormix::qt {

TrayIcon::TrayIcon() {
    icon_.setIcon(ProgramIcon());
    icon_.setToolTip(DisplayText(text::ProductTitle));
    connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        // Single clicks (Trigger), the context click and the middle click do nothing.
        if (r == QSystemTrayIcon::DoubleClick && onDoubleClick) onDoubleClick();
    });
}

void TrayIcon::Add() {
    // Shown even when no tray is there yet: Qt embeds the icon once one appears.
    icon_.show();
}

void TrayIcon::Delete() { icon_.hide(); }

}  // namespace dormix::qt
