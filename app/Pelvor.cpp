// The dictionary program: the main window on the display where there is one, in memory otherwise, driven
// by command-line steps when it is given any.
#include <cstdio>
#include <iostream>
#include <memory>

#include "app/MainUnit.h"
#include "app/ProgramUnits.h"
#include "app/Session.h"
#include "platform/backend/headless/HeadlessBackend.h"
#include "platform/classes/UnitList.h"
#include "platform/controls/Dialogs.h"
#include "platform/win/Win.h"

namespace {

int Run(const TSessionOptions& options) {
  // Without a screen the window lives in memory; the steps and the output are the same.
  std::unique_ptr<platform::HeadlessBackend> headless = std::make_unique<platform::HeadlessBackend>();
  const bool display = false;

  TUnitList units(ProgramUnits());
  units.Initialize();
  int status = 0;
  {
    Application()->Initialize();
    Application()->SetTitle("Ombesi Pelv\xF6r");
    if (display)
      Application()->SetMessageBoxHandler(&ModalMessageBox);
    TMain* main = nullptr;
    Application()->CreateForm(main);
    main->Show();

    std::vector<std::string> errors;
    ApplySessionSteps(*main, options.steps, errors);
    for (const std::string& e : errors)
      std::cerr << "pelvor: " << e << "\n";
    if (!errors.empty())
      status = 1;
    for (const AnsiString& message : Application()->MessageLog())
      std::cerr << "pelvor: " << AnsiToUtf8(message) << "\n";

    if (!options.snapshot.empty() && !SaveSnapshot(*main, options.snapshot)) {
      std::cerr << "pelvor: cannot write the snapshot " << options.snapshot << "\n";
      status = 1;
    }
    if (options.dump)
      std::cout << DumpState(*main).dump(2) << std::endl;

    if (display && !options.exitAfter)
      Application()->Run();
    DoneApplication();
  }
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
