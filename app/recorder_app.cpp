#include "app/recorder_app.h"

#include <QApplication>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "app/escape_filter.h"
#include "app/maintenance_commands.h"
#include "app/message_box.h"
#include "app/recorder_dlg.h"
#include "app/single_instance.h"
#include "app/strings.h"
#include "capture/file_name.h"
#include "capture/leftover_movies.h"
#include "platform/end_signals.h"
#include "platform/loader/platform_loader.h"
#include "platform/program_path.h"
#include "platform/qt/qt_registry.h"
#include "settings/settings_store.h"

namespace mg {
namespace {

// What must happen even when the program ends through exit() from deep inside (Qt and Xlib
// do that when the X server dies): the movie finished, the settings saved.
std::function<void()> g_lastWords;

void SayLastWords() {
  if (!g_lastWords) return;
  const std::function<void()> words = std::move(g_lastWords);
  g_lastWords = nullptr;
  words();
}

}  // namespace

bool IsMaintenanceSwitch(const QString& argument) {
  return argument == QLatin1String("-install") || argument == QLatin1String("-uninstall") ||
         argument == QLatin1String("-dumpopts") || argument == QLatin1String("-readopts");
}

CRecorderApp::CRecorderApp(std::unique_ptr<IRegistry> registry)
    : registry_(registry ? std::move(registry) : MakeUserRegistry()) {
  settings.ResetToDefaults(ResStdString(res::IDS_SHIFT));
}

CRecorderApp::~CRecorderApp() = default;

void CRecorderApp::UseServices(const PlatformServices& services) {
  services_ = std::make_unique<PlatformServices>(services);
}

void CRecorderApp::UseProgramPath(const std::string& path) {
  programPath_ = path;
}

void CRecorderApp::UseSetupServices(const SetupServices* setup) {
  setup_ = setup;
}

int CRecorderApp::InitInstance(const QStringList& arguments) {
  settings.LockPanDesc = ResStdString(res::IDS_SHIFT) + "F3";

  if (arguments.size() > 1 && IsMaintenanceSwitch(arguments.at(1))) {
    MaintenanceContext context;
    context.settings = &settings;
    context.registry = registry_.get();
    context.programPath = programPath_.empty() ? RunningProgramPath() : programPath_;
    context.setup = setup_;
    int exitCode = 0;
    if (RunMaintenanceCommand(arguments.at(1), context, &exitCode)) return exitCode;
  }

  // A Movigram already running on this display comes to the front instead of a second one.
  SingleInstance instance;
  if (instance.HandOverToRunning()) return 0;

  // Escape never closes our dialogs.
  escapeFilter_ = std::make_unique<EscapeFilter>();
  qApp->installEventFilter(escapeFilter_.get());
  // The program ends when the dialog's run returns, not when its last window hides.
  QApplication::setQuitOnLastWindowClosed(false);

  SettingsStore store(*registry_);
  store.LoadState(settings);
  store.LoadKeys(settings);

  std::unique_ptr<PlatformLoader> real;
  PlatformServices services;
  if (services_) {
    services = *services_;
  } else {
    real = std::make_unique<PlatformLoader>();
    services = real->Services();
  }

  {
    // Logout (SIGTERM), a closed terminal (SIGHUP) and Ctrl+C (SIGINT) end the program as Exit
    // does: the movie is finished and the settings are saved. A signal that comes while the
    // dialog is still being made (a hot-key message box is up) ends it as soon as it stands.
    bool endedBySignal = false;
    CRecorderDlg* running = nullptr;
    EndSignals endSignals([&running, &endedBySignal](int) {
      endedBySignal = true;
      if (running) {
        running->EndCommand();
      } else if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->close();
      }
    });
    CRecorderDlg dialog(settings, services);
    g_pMainDlg = &dialog;
    // Recordings cut off earlier (the program killed, the computer gone off) get names of their
    // own before anything can record, and the user hears where they are once the window is up.
    const std::string leftovers = LeftoverMoviesText(
        RescueLeftoverMovies(FolderOfMovies(settings.AVIFileName, MovieFolder())));
    if (!leftovers.empty())
      QMetaObject::invokeMethod(
          &dialog, [&dialog, leftovers] { dialog.ShowResult(leftovers); }, Qt::QueuedConnection);
    instance.OnActivate([&dialog] { dialog.BringToFront(); });
    running = &dialog;
    static const bool lastWordsRegistered = std::atexit(SayLastWords) == 0;
    if (lastWordsRegistered)
      g_lastWords = [&] {
        dialog.FinishAtExit();
        store.SaveState(settings);
        store.SaveKeys(settings);
      };
    if (endedBySignal)
      QMetaObject::invokeMethod(
          &dialog, [&dialog] { dialog.EndCommand(); }, Qt::QueuedConnection);
    dialog.RunModal();
    instance.OnActivate({});
    if (dialog.State() != Idle) dialog.StartStopCommand();
    g_lastWords = nullptr;
    running = nullptr;
    dialog.UnregisterHotKeys();
    const bool stateSaved = store.SaveState(settings);
    const bool keysSaved = store.SaveKeys(settings);
    g_pMainDlg = nullptr;
    if (!stateSaved || !keysSaved) {
      const QString text = QStringLiteral(
          "The settings could not be saved: the options of this session will not be there at "
          "the next start.");
      if (endedBySignal)
        std::fprintf(stderr, "Movigram: %s\n", text.toLocal8Bit().constData());
      else
        ShowMessageBox(nullptr, text, MsgButtons::Ok, MsgIcon::Exclamation);
    }
  }

  qApp->removeEventFilter(escapeFilter_.get());
  escapeFilter_.reset();
  return 0;
}

}  // namespace mg
