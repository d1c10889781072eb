#pragma once
// The quest's rules as a saved game sees them. The page keeps a game as the
// journal of its input and replays it on the next load; the replay ends where
// the game was only while the same input, at the same times, still leads to
// the same place. A journal therefore names the rules it was played by, not
// the program's version: an update that keeps the rules keeps every running
// game, and one that changes them sets the older games aside instead of
// replaying them into a wrong state.

#include <string>

namespace mirvolant {

// Bump it with any change after which the same input leads elsewhere: a code
// or a comparison, a phase's length, a handler's order of things, a dialog's
// layout or tab order (a tap or a Tab lands on another control). The test
// WebPage.ARoadSavedByTheFirstPageReplaysUnderTheseRules replays a game
// recorded under these rules and fails when such a change is made.
inline constexpr int kQuestRules = 1;

// The name a saved game carries: the game and the rules it was played by.
inline std::string SavedGameName() {
  return "Mirvolant/" + std::to_string(kQuestRules);
}

}  // namespace mirvolant
