#include "WebHarness.h"

#include <chrono>

namespace mirvolant::testing {

double FakeHost::PreciseMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

int RunOnPage(FakeHost& host, const char* program) {
  web::WebPlatform platform(host, program);
  host.platform = &platform;
  Program p(platform, "/Mirvolant");
  p.Application().SetLateTicks(tk::LateTicks::CatchUp);
  int code = p.Run();
  host.platform = nullptr;
  return code;
}

std::string StateOf() {
  std::string out;
  tk::TApplication* app = tk::Application;
  auto name = [](const tk::TComponent* c) { return c == nullptr ? std::string("-") : c->Name(); };
  for (const auto& form : app->Forms()) {
    out += form->Name() + (form->FormVisible() ? " shown" : " hidden") +
           (form->WindowEnabled() ? "" : " disabled") + (form->Modal() ? " modal" : "") +
           " focus=" + name(form->ActiveControl()) + "\n";
    for (const tk::TComponent* c : form->Components()) {
      out += "  " + c->Name();
      if (auto* control = dynamic_cast<const tk::TControl*>(c)) {
        out += control->Visible() ? " visible" : " hidden";
      }
      if (auto* label = dynamic_cast<const tk::TLabel*>(c)) out += " '" + label->Caption() + "'";
      if (auto* panel = dynamic_cast<const tk::TPanel*>(c)) out += " '" + panel->Caption() + "'";
      if (auto* edit = dynamic_cast<const tk::TCustomEdit*>(c)) {
        out += " '" + edit->Text() + "' caret " + std::to_string(edit->CaretPos()) + " sel " +
               std::to_string(edit->SelStart()) + "+" + std::to_string(edit->SelLength());
      }
      if (auto* timer = dynamic_cast<const tk::TTimer*>(c)) {
        out += timer->Enabled() ? " on" : " off";
      }
      out += "\n";
    }
  }
  out += "focused=" + name(app->FocusedForm()) + " active=" + name(app->ActiveForm()) +
         " box=" + (app->MessageBox() != nullptr ? "yes" : "no") + "\n";
  out += "solved=" + std::to_string(SolvedCount) +
         " seconds=" + std::to_string(unit3::SecondsLeft) + "," +
         std::to_string(unit4::SecondsLeft) + "," + std::to_string(unit5::SecondsLeft) + "\n";
  return out;
}

}  // namespace mirvolant::testing
