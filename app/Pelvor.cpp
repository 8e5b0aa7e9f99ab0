// The dictionary program: the main window on the display where there is one, in memory otherwise, driven
// by command-line steps when it is given any.
#include <iostream>
#include <memory>

#include "app/MainUnit.h"
#include "app/ProgramUnits.h"
#include "app/Session.h"
#include "platform/backend/headless/HeadlessBackend.h"
#include "platform/backend/sdl/SdlBackend.h"
#include "platform/controls/Dialogs.h"
#include "platform/win/Win.h"

namespace {

// What the session leaves behind: the problems met, the snapshot and the state. Written when the session
// ends, so that they describe the window as the user left it.
int Report(TMain& Main, const TSessionOptions& Options, const std::vector<std::string>& Errors) {
  int status = Errors.empty() ? 0 : 1;
  for (const std::string& e : Errors)
    std::cerr << "pelvor: " << e << "\n";
  for (const AnsiString& message : Application()->MessageLog())
    std::cerr << "pelvor: " << AnsiToUtf8(message) << "\n";
  if (!Options.snapshot.empty()) {
    if (SaveSnapshot(Main, Options.snapshot)) {
      std::cerr << "pelvor: the window is saved in " << Options.snapshot << "\n";
    } else {
      std::cerr << "pelvor: cannot write the snapshot " << Options.snapshot << "\n";
      status = 1;
    }
  }
  if (Options.dump)
    std::cout << DumpState(Main).dump(2) << std::endl;
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
  TSessionOptions options;
  try {
    options = ParseSessionOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const Exception& e) {
    std::cerr << "pelvor: " << e.Message() << "\n" << SessionUsage();
    return 2;
  }
  if (options.help) {
    std::cout << SessionUsage();
    return 0;
  }
  try {
    return Run(options);
  } catch (const std::exception& e) {
    std::cerr << "pelvor: " << e.what() << "\n";
    return 1;
  }
}
