#pragma once
// frmAbout: a modal dialog without title-bar buttons, built from the inventory.

#include <QDialog>
#include <functional>

#include "frontend/tray_qt/QtView.h"

namespace dormix::tray_qt {

class AboutDialog : public QDialog {
    Q_OBJECT
  public:
    explicit AboutDialog(QtView& view);
    // The program closes it (its Close button or the countdown).
    void CloseByProgram();
    // Whether it had the keyboard when it closed.
    bool WasActiveAtClose() const { return wasActive_; }

    std::function<void()> onCloseClick, onWebSiteClick, onClosedOtherwise;

  public slots:
    // A close request from the window manager.
    void reject() override;
    void done(int result) override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    bool closingByProgram_ = false;
    bool wasActive_ = false;
};

}  // namespace dormix::tray_qt
