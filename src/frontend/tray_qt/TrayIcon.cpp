#include "frontend/tray_qt/TrayIcon.h"

#include <QApplication>
#include <QElapsedTimer>
#include <memory>

#include "frontend/tray_qt/Artwork.h"
#include "frontend/tray_qt/QtView.h"
#include "ui/Texts.h"

namespace dormix::tray_qt {

TrayIcon::TrayIcon(std::function<qint64()> nowMs) : nowMs_(std::move(nowMs)) {
    if (!nowMs_) {
        auto clock = std::make_shared<QElapsedTimer>();
        clock->start();
        nowMs_ = [clock] { return clock->elapsed(); };
    }
    icon_.setIcon(ProgramIcon());
    icon_.setToolTip(DisplayText(text::ProductTitle));
    connect(&icon_, &QSystemTrayIcon::activated, this, &TrayIcon::OnActivated);
}

void TrayIcon::OnActivated(QSystemTrayIcon::ActivationReason reason) {
    // The context click, the middle click and a lone left click do nothing.
    bool doubleClick = reason == QSystemTrayIcon::DoubleClick;
    if (reason == QSystemTrayIcon::Trigger) {
        const qint64 now = nowMs_();
        doubleClick =
            lastClickMs_ >= 0 && now - lastClickMs_ <= QApplication::doubleClickInterval();
        lastClickMs_ = doubleClick ? -1 : now;
    }
    if (reason == QSystemTrayIcon::DoubleClick) lastClickMs_ = -1;
    if (doubleClick && onDoubleClick) onDoubleClick();
}

void TrayIcon::Add() {
    // Shown even when no tray is there yet: Qt embeds the icon once one appears.
    icon_.show();
}

void TrayIcon::Delete() { icon_.hide(); }

}  // namespace dormix::tray_qt
