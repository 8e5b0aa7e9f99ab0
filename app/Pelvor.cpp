// The dictionary program: the main window on the display where there is one, in memory otherwise, driven
// by command-line steps when it is given any.
#include <cerrno>
#include <csignal>
#include <iostream>
#include <memory>
#include <new>

#include <fcntl.h>
#include <unistd.h>

#include "app/MainUnit.h"
#include "app/ProgramUnits.h"
#include "app/Session.h"
#include "platform/backend/headless/HeadlessBackend.h"
#include "platform/backend/sdl/SdlBackend.h"
#include "platform/controls/Dialogs.h"
#include "platform/win/Win.h"

namespace {

// Set when the program was started with its standard output closed.
bool StandardOutputClosed = false;

// A standard descriptor left closed would go to the next file the program opens, and what is meant for it
// would land in that file: each closed one is held by /dev/null instead.
void HoldClosedStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
      continue;
    if (fd == 1)
      StandardOutputClosed = true;
    const int null = ::open("/dev/null", O_RDWR);
    if (null > fd) {
      ::dup2(null, fd);
      ::close(null);
    }
  }
}

// What the session leaves behind: the problems met, the snapshot and the state. Written when the session
// ends, so that they describe the window as the user left it.
int Report(TMain& Main, const TSessionOptions& Options, const std::vector<std::string>& Errors) {
  int status = Errors.empty() ? 0 : 1;
  for (const std::string& e : Errors)
    std::cerr << "pelvor: " << e << "\n";
  for (const AnsiString& message : Application()->MessageLog())
    std::cerr << "pelvor: " << AnsiToUtf8(message) << "\n";
  if (!Options.snapshot.empty()) {
    std::string error;
    if (SaveSnapshot(Main, Options.snapshot, error)) {
      std::cerr << "pelvor: the window is saved in " << Options.snapshot << "\n";
    } else {
      std::cerr << "pelvor: cannot write the snapshot " << Options.snapshot << ": " << error << "\n";
      status = 1;
    }
  }
  if (Options.dump) {
    std::string error = "standard output is closed", text;
    bool written = !StandardOutputClosed;
    if (written) {
      // The state is the whole text or nothing: a reader never gets half a document.
      try {
        text = StateText(Main);
      } catch (const std::bad_alloc&) {
        written = false;
        error = "there is not enough memory to build it";
      }
    }
    if (!written || !WriteFully(STDOUT_FILENO, text, error)) {
      std::cerr << "pelvor: cannot write the state: " << error << "\n";
      status = 1;
    }
  }
  return status;
}

int Run(const TSessionOptions& Options) {
  std::unique_ptr<platform::Backend> backend;
  if (Options.headless)
    backend = std::make_unique<platform::HeadlessBackend>();
  else
    backend = platform::CreateDisplayBackend();
  const bool display = dynamic_cast<platform::HeadlessBackend*>(backend.get()) == nullptr;

  TUnitList units(ProgramUnits());
  units.Initialize();
  int status = 0;
  try {
    Application()->Initialize();
    Application()->SetTitle("Ombesi Pelv\xF6r");
    if (display)
      Application()->SetMessageBoxHandler(&ModalMessageBox);
    TMain* main = nullptr;
    Application()->CreateForm(main);
    main->Show();

    std::vector<std::string> errors;
    ApplySessionSteps(*main, Options.steps, errors);
    // Without a screen nobody could go on from here; with one the user carries on until he closes the
    // window.
    if (display && !Options.exitAfter)
      Application()->Run();
    else if (!display && Options.steps.empty() && !Options.dump && Options.snapshot.empty())
      std::cerr << "pelvor: no display, so the window ran in memory with " << main->AllEntries()->Count()
                << " entries; give it steps and --dump or --snapshot to see it (--help)\n";
    status = Report(*main, Options, errors);
  } catch (...) {
    DoneApplication();
    throw;
  }
  DoneApplication();
  units.Finalize();
  platform::ResetWindowManager();
  return status;
}

} // namespace

int main(int argc, char** argv) {
  HoldClosedStandardDescriptors();
  // A reader that went away is a failure to report, not a reason to die silently.
  std::signal(SIGPIPE, SIG_IGN);
  TSessionOptions options;
  try {
    options = ParseSessionOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const Exception& e) {
    std::cerr << "pelvor: " << e.Message() << "\n" << SessionUsage();
    return 2;
  }
  if (options.help) {
    std::string error = "standard output is closed";
    if (StandardOutputClosed || !WriteFully(STDOUT_FILENO, SessionUsage(), error)) {
      std::cerr << "pelvor: cannot write the usage: " << error << "\n";
      return 1;
    }
    return 0;
  }
  try {
    return Run(options);
  } catch (const Exception& e) {
    // The library's messages are code-page text.
    std::cerr << "pelvor: " << AnsiToUtf8(e.Message()) << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "pelvor: " << e.what() << "\n";
    return 1;
  }
}
