#pragma once
// frmAbout: a modal dialog without title-bar buttons, built from the inventory.

#include <QDialog>
#include <functional>

#include "ui/qt/QtView.h"

namespace dormix::qt {

class AboutDialog : public QDialog {
    Q_OBJECT
  public:
    explicit AboutDialog(QtView& view);
    // The program closes it (its Close button or the countdown).
    void CloseByProgram();

    std::function<void()> onCloseClick, onWebSiteClick, onClosedOtherwise;

  public slots:
    // Escape, or a close request from the window manager.
    void reject() override;

  private:
    bool closingByProgram_ = false;
};

}  // namespace dormix::qt
