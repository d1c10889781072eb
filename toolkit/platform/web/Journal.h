#pragma once
// The page's journal: every event the back end handed to the toolkit with
// the time it handed it over, and every jump of the clock after the page could
// not run for a while. Replaying it on the same program rebuilds the same
// state, since the toolkit and the program behave as a function of their
// events and the clock.
//
// Its text, as the page stores it: a header line, one line per record and a
// last line with a checksum of everything before it.
//   MVJ <version> <game> <start>
//   <dt> <kind> <fields>...
//   sum <16 hex digits>
// <version> is the version of this text form; <game> names the game and the
// rules it was played by, "<name>/<rules>" (percent-encoded), since a replay
// depends on those and on nothing else of the program that wrote it; <start>
// is the wall time of the game's start (ms since 1970), <dt> the time since
// the record before (the first: since 0), in ms of the back end's clock.
// The page's first versions named the program and its version as <game>
// ("Mirvolant 1.0.0"); all of them played the game's first rules, and such a
// journal reads as "Mirvolant/1".
// Each event kind has a letter and its fields (Journal.cpp keeps the one
// table of them). Version 1 differed from version 2 only in the paste, which
// it wrote as the key that asked for it with the clipboard's text; it is
// still read, as the paste.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/platform/Platform.h"

namespace tk::platform::web {

struct JournalRecord {
  enum class Kind : uint8_t {
    Event,  // event was handed to the toolkit at time
    Jump,   // the wait for deadline ended late; the clock jumped to time
  };
  Kind kind = Kind::Event;
  int64_t time = 0;
  int64_t deadline = 0;
  Event event;

  static JournalRecord OfEvent(int64_t time, Event event);
  static JournalRecord OfJump(int64_t deadline, int64_t time);
};

class Journal {
 public:
  // The version of the text form this code writes; it reads this one and
  // version 1.
  static constexpr int kVersion = 2;
  // Limits that a journal read back must keep.
  static constexpr size_t kMaxRecords = 1000000;
  static constexpr size_t kMaxText = 4096;

  Journal(std::string program, int64_t startWallMs);

  // The journal in text, or null when it is not one of game (name and rules)
  // in a version of the text form this code reads: a missing or wrong
  // checksum, a later version, another game or other rules, a malformed or
  // out-of-range record, times that go back.
  static std::optional<Journal> Decode(std::string_view text, std::string_view game);
  std::string Encode() const;

  void Append(const JournalRecord& record);
  // Replaces the last record (one pointer move by the next one).
  void ReplaceLast(const JournalRecord& record);

  const std::vector<JournalRecord>& Records() const { return records_; }
  const std::string& Program() const { return program_; }
  int64_t StartWallMs() const { return startWallMs_; }
  // The time of the last record (0 without one).
  int64_t LastTime() const { return records_.empty() ? 0 : records_.back().time; }

 private:
  std::string Line(const JournalRecord& record, int64_t previousTime) const;
  int64_t TimeBeforeLast() const;

  std::string program_;
  int64_t startWallMs_;
  std::vector<JournalRecord> records_;
  // The header and the record lines, and where the last line starts.
  std::string body_;
  size_t lastLine_ = 0;
};

// A 64-bit FNV-1a hash of text (the journal's checksum).
uint64_t Fnv1a64(std::string_view text);

}  // namespace tk::platform::web
