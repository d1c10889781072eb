#include "app/DialogSet.h"

#include <cstdio>

#include "quest/Unit1.h"
#include "quest/Unit2.h"
#include "quest/Unit3.h"
#include "quest/Unit4.h"
#include "quest/Unit5.h"
#include "toolkit/forms/Application.h"

namespace mirvolant {

void CreateDialogSet(tk::TApplication& application) {
  application.CreateDialog(Form1);
  application.CreateDialog(Form2);
  application.CreateDialog(Form3);
  application.CreateDialog(Form4);
  application.CreateDialog(Form5);
}

int RunProgram(tk::platform::Platform& platform, const char* programPath) {
  tk::TApplication application(platform, programPath);
  try {
    CreateDialogSet(application);
  } catch (const tk::Exception& e) {
    // No dialog can be used: report and end before the loop starts.
    application.ShowStartupError(e.Message());
    return 1;
  }
  application.RunEventLoop();
  return 0;
}

}  // namespace mirvolant
