#pragma once
// DormixMain: built from the inventory; hands its events to the core.

#include <QWidget>
#include <functional>

#include "frontend/tray_qt/QtView.h"

namespace dormix::app {
class Application;
}

namespace dormix::tray_qt {

class MainWindow : public QWidget {
    Q_OBJECT
  public:
    explicit MainWindow(QtView& view);
    void Bind(app::Application* app);

    // The window manager minimised or restored the window (the user did).
    std::function<void(bool minimised)> onStateChange;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    QtView& view_;
    app::Application* app_ = nullptr;
};

}  // namespace dormix::tray_qt
