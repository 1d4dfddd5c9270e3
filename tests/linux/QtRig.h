#pragma once
// The real Qt windows, view and shell on Qt's offscreen platform, wired to
// one Application whose other ports are the core tests' fakes. Modal
// dialogs do not run a loop here: the rig records them and lets the test
// act while they are "open".

#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

#include "Fakes.h"
#include "frontend/tray_qt/MainWindow.h"
#include "frontend/tray_qt/QtShell.h"
#include "frontend/tray_qt/QtView.h"
#include "frontend/tray_qt/TrayIcon.h"

namespace dormix::testing {

struct ModalSeen {
    QString title, text;
    int icon = -1;  // QMessageBox::Icon for message boxes, -1 for other dialogs
};

class TestShell : public tray_qt::QtShell {
  public:
    using QtShell::QtShell;
    std::vector<ModalSeen> modals;
    std::function<void(QDialog&)> duringModal;
    bool ended = false;
    void EndProcess(bool failed) override;

  protected:
    void RunModal(QDialog& dialog) override;
};

struct QtRig {
    explicit QtRig(std::string arguments = "");
    void Tick(int n = 1);
    QString Text(ui::Ctl id);
    QWidget* Control(ui::Ctl id) { return view.Control(id); }
    // Runs `action`, which must end the program.
    bool Ends(const std::function<void()>& action) { return EndsProgram(action); }

    MarkerSystem markers;
    tray_qt::QtView view;
    tray_qt::MainWindow main{view};
    tray_qt::TrayIcon tray;
    TestShell shell{main, view, tray};
    FakeInput input;
    FakeClock clock;
    MemoryLogFiles files;
    FakePower power;
    FakeMarker marker{markers};
    RecordingSystemLog systemLog;
    app::Application app;
};

}  // namespace dormix::testing
