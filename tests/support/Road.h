#pragma once
// The road through the quest that the whole-quest tests walk, read from
// tests/road/road.txt (its head describes the records): the codes and what
// the dialogs show at each stop, in UTF-8. WalkRoad queues the road's moves
// on a driver of the program; StopProblems compares the dialogs with a stop.

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Cp1251.h"
#include "quest/Mission.h"
#include "quest/Unit2.h"
#include "toolkit/forms/Application.h"
#include "toolkit/text/Ansi.h"

namespace mirvolant::testing {

struct Road {
  struct Stop {
    std::string name;
    std::string move;
    int n = 0;
    std::vector<std::string> dialogs;  // sorted: "Form1 disabled", "Form2 focused"
    std::vector<std::pair<std::string, std::string>> shows;  // control, text
    std::vector<std::pair<std::string, bool>> visible;       // control, shown
  };
  std::vector<std::string> levels;            // slot 1 first
  std::vector<std::string> paths;             // field 1 first
  std::map<std::string, std::string> drains;  // by dialog
  std::vector<Stop> stops;

  // The road of the source tree, read once; a record it cannot read throws.
  static const Road& Get() {
    static const Road road = [] {
      std::string file = std::string(MV_SOURCE_DIR) + "/tests/road/road.txt";
      std::ifstream in(file, std::ios::binary);
      if (!in) throw std::runtime_error("cannot read " + file);
      Road r;
      std::string line;
      for (int number = 1; std::getline(in, line); ++number) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> f = Fields(line);
        f.resize(std::max<size_t>(f.size(), 4));
        const std::string& kind = f[0];
        Stop* stop = r.stops.empty() ? nullptr : &r.stops.back();
        if (kind == "level") {
          r.levels.push_back(f[2]);
        } else if (kind == "path") {
          r.paths.push_back(f[2]);
        } else if (kind == "drain") {
          r.drains[f[1]] = f[2];
        } else if (kind == "stop") {
          r.stops.push_back({f[1], f[2], f[3].empty() ? 0 : std::stoi(f[3]), {}, {}, {}});
        } else if (stop != nullptr && kind == "dialogs") {
          stop->dialogs.assign(f.begin() + 1, std::find(f.begin() + 1, f.end(), ""));
          std::sort(stop->dialogs.begin(), stop->dialogs.end());
        } else if (stop != nullptr && kind == "shows") {
          stop->shows.emplace_back(f[1], f[2]);
        } else if (stop != nullptr && (kind == "visible" || kind == "hidden")) {
          for (size_t i = 1; i < f.size() && !f[i].empty(); ++i) {
            stop->visible.emplace_back(f[i], kind == "visible");
          }
        } else {
          throw std::runtime_error(file + ":" + std::to_string(number) + ": " + line);
        }
      }
      return r;
    }();
    return road;
  }

 private:
  // The tab-separated fields of a line, with \r and \s written out.
  static std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> out(1);
    for (size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '\t') {
        out.emplace_back();
      } else if (line[i] == '\\' && (line[i + 1] == 'r' || line[i + 1] == 's')) {
        out.back() += line[++i] == 'r' ? '\r' : ' ';
      } else {
        out.back() += line[i];
      }
    }
    return out;
  }
};

// Queues the road's moves on driver d, each followed by atStop at the stop it
// reaches, up to the stop named last (all without). The driver queues steps
// that run when the program is idle: Then(step); and, as steps, SolveBoard(),
// Enter(field, utf8) (focus, type, Enter), Wait(seconds) and Close(dialog)
// (its close box).
template <class D>
void WalkRoad(D& d, std::function<void(const Road::Stop&)> atStop = {},
              std::string_view last = {}) {
  const Road& road = Road::Get();
  for (const Road::Stop& stop : road.stops) {
    if (stop.move == "levels") {
      d.SolveBoard();
    } else if (stop.move == "path") {
      d.Then([&d, &road, n = stop.n] {
        tk::TMaskEdit* fields[3] = {Form2->MaskEdit1, Form2->MaskEdit2, Form2->MaskEdit3};
        d.Enter(fields[n - 1], road.paths.at(n - 1));
      });
    } else if (stop.move == "wait") {
      d.Wait(stop.n);
    } else if (stop.move == "drain") {
      d.Then([&d, &road] {
        auto* mission = dynamic_cast<TMissionForm*>(tk::Application->FocusedForm());
        if (mission == nullptr) throw std::runtime_error("no mission on top for its drain code");
        d.Enter(mission->MaskEdit1, road.drains.at(mission->Name()));
      });
    } else if (stop.move == "close") {
      d.Then([&d] { d.Close(tk::Application->FocusedForm()); });
    } else if (stop.move != "start") {
      throw std::runtime_error("the road's stop " + stop.name + " has no move");
    }
    if (atStop) d.Then([&stop, atStop] { atStop(stop); });
    if (stop.name == last) return;
  }
}

// What differs between the program's dialogs and a stop of the road, one
// line each. A road's text is compared with the program's bytes as the
// system converts it, not the program's own table.
inline std::vector<std::string> StopProblems(const Road::Stop& stop) {
  std::vector<std::string> problems;
  auto component = [&](const std::string& path) -> tk::TComponent* {
    size_t dot = path.find('.');
    for (const auto& form : tk::Application->Forms()) {
      if (form->Name() != path.substr(0, dot)) continue;
      if (dot == std::string::npos) return form.get();
      if (auto* c = form->FindComponent(path.substr(dot + 1, path.find('[') - dot - 1))) return c;
    }
    problems.push_back("no " + path);
    return nullptr;
  };
  auto shownText = [&](const std::string& path) -> tk::AnsiString {
    tk::TComponent* c = component(path);
    if (auto* form = dynamic_cast<tk::TCustomForm*>(c)) return form->Caption();
    if (auto* label = dynamic_cast<tk::TLabel*>(c)) return label->Caption();
    if (auto* panel = dynamic_cast<tk::TPanel*>(c)) return panel->Caption();
    if (auto* button = dynamic_cast<tk::TSpeedButton*>(c)) return button->Caption();
    if (auto* edit = dynamic_cast<tk::TCustomEdit*>(c)) return edit->Text();
    auto* memo = dynamic_cast<tk::TMemo*>(c);
    size_t line = memo ? std::stoul(path.substr(path.find('[') + 1)) : 0;
    return memo && line < memo->Lines().size() ? memo->Lines()[line] : "<nothing>";
  };
  if (!stop.dialogs.empty()) {
    std::vector<std::string> shown;
    for (const tk::TCustomForm* f : tk::Application->VisibleForms()) {
      shown.push_back(f->Name() + (f->WindowEnabled() ? "" : " disabled") +
                      (f == tk::Application->FocusedForm() ? " focused" : ""));
    }
    std::sort(shown.begin(), shown.end());
    if (shown != stop.dialogs) {
      std::string list;
      for (const std::string& d : shown) list += " [" + d + "]";
      problems.push_back("dialogs shown:" + list);
    }
  }
  for (const auto& [path, text] : stop.shows) {
    tk::AnsiString shown = shownText(path);
    if (shown != IconvToCp1251(text))
      problems.push_back(path + " shows '" + tk::AnsiToUtf8(shown) + "'");
  }
  for (const auto& [path, visible] : stop.visible) {
    auto* control = dynamic_cast<tk::TControl*>(component(path));
    if (control != nullptr && control->Visible() != visible) {
      problems.push_back(path + (visible ? " hidden" : " shown"));
    }
  }
  return problems;
}

}  // namespace mirvolant::testing
