#include "toolkit/platform/web/Journal.h"

#include <charconv>
#include <cstdio>

namespace tk::platform::web {

namespace {

constexpr int kMaxKey = static_cast<int>(Key::X);
// Coordinates and window numbers a journal may hold.
constexpr int64_t kMaxCoordinate = 1000000;
constexpr int64_t kMaxWindow = 1000000;

const char kHex[] = "0123456789abcdef";

std::string Hex(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out.push_back(kHex[c >> 4]);
    out.push_back(kHex[c & 15]);
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<std::string> Unhex(std::string_view hex) {
  // "-" stands for the empty text, so that no field is ever empty.
  if (hex == "-") return std::string();
  if (hex.size() % 2 != 0 || hex.size() / 2 > Journal::kMaxText) return std::nullopt;
  std::string out;
  out.reserve(hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) {
    int hi = HexDigit(hex[i]);
    int lo = HexDigit(hex[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out.push_back(static_cast<char>(hi * 16 + lo));
  }
  return out;
}

std::string HexField(std::string_view bytes) {
  return bytes.empty() ? std::string("-") : Hex(bytes);
}

// The program's name with blanks and other bytes outside printable ASCII
// percent-encoded, so that it is one field.
std::string EncodeName(std::string_view name) {
  std::string out;
  for (unsigned char c : name) {
    if (c > ' ' && c < 127 && c != '%') {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out.empty() ? std::string("%") : out;
}

// The name back from its percent-encoding; null when it is not one.
std::optional<std::string> DecodeName(std::string_view field) {
  if (field == "%") return std::string();  // the empty name
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '%') {
      out.push_back(field[i]);
      continue;
    }
    if (i + 2 >= field.size()) return std::nullopt;
    int hi = HexDigit(field[i + 1]);
    int lo = HexDigit(field[i + 2]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out.push_back(static_cast<char>(hi * 16 + lo));
    i += 2;
  }
  return out;
}

// The game and its rules a journal's name stands for, "<name>/<rules>"; an
// older journal's "<program> <version>" stands for the program's first rules.
std::string GameAndRules(std::string_view name) {
  if (name.find('/') != std::string_view::npos) return std::string(name);
  return std::string(name.substr(0, name.find(' '))) + "/1";
}

// Splits a line at single blanks.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  while (start <= line.size()) {
    size_t blank = line.find(' ', start);
    if (blank == std::string_view::npos) blank = line.size();
    fields.push_back(line.substr(start, blank - start));
    start = blank + 1;
  }
  return fields;
}

bool Number(std::string_view field, int64_t low, int64_t high, int64_t& out) {
  if (field.empty()) return false;
  auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), out);
  return error == std::errc() && end == field.data() + field.size() && out >= low && out <= high;
}

char KindLetter(EventKind kind) {
  switch (kind) {
    case EventKind::KeyDown:
      return 'k';
    case EventKind::KeyUp:
      return 'K';
    case EventKind::Text:
      return 't';
    case EventKind::MouseMove:
      return 'm';
    case EventKind::MouseDown:
      return 'd';
    case EventKind::MouseUp:
      return 'u';
    case EventKind::MouseLeave:
      return 'l';
    case EventKind::CloseRequest:
      return 'c';
    case EventKind::FocusGained:
      return 'f';
    case EventKind::FocusLost:
      return 'b';
    case EventKind::Exposed:
      return 'e';
    case EventKind::Moved:
      return 'o';
    case EventKind::Quit:
    case EventKind::Wake:
      break;
  }
  return 0;
}

// Reads the fields after <dt> and the kind letter into record; false when
// they do not make a record.
bool ReadRecord(char letter, const std::vector<std::string_view>& f, JournalRecord& record) {
  // f[0] is the time, f[1] the letter; the rest are the letter's fields.
  auto count = [&](size_t n) { return f.size() == n + 2; };
  auto num = [&](size_t i, int64_t low, int64_t high, auto& out) {
    int64_t v = 0;
    if (!Number(f[i + 2], low, high, v)) return false;
    out = static_cast<std::remove_reference_t<decltype(out)>>(v);
    return true;
  };
  Event& e = record.event;
  if (letter == 'j') {
    record.kind = JournalRecord::Kind::Jump;
    return count(1) && num(0, 0, INT64_MAX / 4, record.deadline) && record.deadline <= record.time;
  }
  record.kind = JournalRecord::Kind::Event;
  int key = 0;
  switch (letter) {
    case 'k':
    case 'K':
      e.kind = letter == 'k' ? EventKind::KeyDown : EventKind::KeyUp;
      if (!count(4) || !num(0, 1, kMaxWindow, e.window) || !num(1, 0, kMaxKey, key) ||
          !num(2, 0, 7, e.modifiers) || !num(3, 0, 1, e.repeat)) {
        return false;
      }
      e.key = static_cast<Key>(key);
      return true;
    case 'p': {
      e.kind = EventKind::KeyDown;
      if (!count(4) || !num(0, 1, kMaxWindow, e.window) || !num(1, 0, kMaxKey, key) ||
          !num(2, 0, 7, e.modifiers)) {
        return false;
      }
      e.key = static_cast<Key>(key);
      record.clipboard = Unhex(f[5]);
      return record.clipboard.has_value();
    }
    case 't': {
      e.kind = EventKind::Text;
      if (!count(2) || !num(0, 1, kMaxWindow, e.window)) return false;
      std::optional<std::string> text = Unhex(f[3]);
      if (!text) return false;
      e.text = std::move(*text);
      return true;
    }
    case 'm':
    case 'o':
      e.kind = letter == 'm' ? EventKind::MouseMove : EventKind::Moved;
      return count(3) && num(0, 1, kMaxWindow, e.window) &&
             num(1, -kMaxCoordinate, kMaxCoordinate, e.x) &&
             num(2, -kMaxCoordinate, kMaxCoordinate, e.y);
    case 'd':
    case 'u':
      e.kind = letter == 'd' ? EventKind::MouseDown : EventKind::MouseUp;
      return count(5) && num(0, 1, kMaxWindow, e.window) &&
             num(1, -kMaxCoordinate, kMaxCoordinate, e.x) &&
             num(2, -kMaxCoordinate, kMaxCoordinate, e.y) && num(3, 0, 3, e.button) &&
             num(4, 0, 7, e.modifiers);
    case 'l':
    case 'c':
    case 'f':
    case 'b':
    case 'e':
      e.kind = letter == 'l'   ? EventKind::MouseLeave
               : letter == 'c' ? EventKind::CloseRequest
               : letter == 'f' ? EventKind::FocusGained
               : letter == 'b' ? EventKind::FocusLost
                               : EventKind::Exposed;
      return count(1) && num(0, 1, kMaxWindow, e.window);
    default:
      return false;
  }
}

}  // namespace

uint64_t Fnv1a64(std::string_view text) {
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

JournalRecord JournalRecord::OfEvent(int64_t time, Event event,
                                     std::optional<std::string> clipboard) {
  JournalRecord r;
  r.kind = Kind::Event;
  r.time = time;
  r.event = std::move(event);
  r.clipboard = std::move(clipboard);
  return r;
}

JournalRecord JournalRecord::OfJump(int64_t deadline, int64_t time) {
  JournalRecord r;
  r.kind = Kind::Jump;
  r.time = time;
  r.deadline = deadline;
  return r;
}

Journal::Journal(std::string program, int64_t startWallMs)
    : program_(std::move(program)), startWallMs_(startWallMs) {
  body_ = "MVJ " + std::to_string(kVersion) + " " + EncodeName(program_) + " " +
          std::to_string(startWallMs_) + "\n";
  lastLine_ = body_.size();
}

std::string Journal::Line(const JournalRecord& r, int64_t previousTime) const {
  std::string line = std::to_string(r.time - previousTime) + " ";
  if (r.kind == JournalRecord::Kind::Jump) return line + "j " + std::to_string(r.deadline) + "\n";
  const Event& e = r.event;
  // Appended, not concatenated to a temporary: GCC 12 at -O3 sees a false
  // overlap in " " + std::to_string(v) (-Wrestrict).
  auto n = [](auto v) {
    std::string field(1, ' ');
    field += std::to_string(v);
    return field;
  };
  if (r.clipboard) {
    return line + "p" + n(e.window) + n(static_cast<int>(e.key)) + n(int{e.modifiers}) + " " +
           HexField(*r.clipboard) + "\n";
  }
  char letter = KindLetter(e.kind);
  line.push_back(letter);
  switch (e.kind) {
    case EventKind::KeyDown:
    case EventKind::KeyUp:
      line += n(e.window) + n(static_cast<int>(e.key)) + n(int{e.modifiers}) + n(e.repeat ? 1 : 0);
      break;
    case EventKind::Text:
      line += n(e.window) + " " + HexField(e.text);
      break;
    case EventKind::MouseMove:
    case EventKind::Moved:
      line += n(e.window) + n(e.x) + n(e.y);
      break;
    case EventKind::MouseDown:
    case EventKind::MouseUp:
      line += n(e.window) + n(e.x) + n(e.y) + n(e.button) + n(int{e.modifiers});
      break;
    default:
      line += n(e.window);
      break;
  }
  return line + "\n";
}

int64_t Journal::TimeBeforeLast() const {
  return records_.size() < 2 ? 0 : records_[records_.size() - 2].time;
}

void Journal::Append(const JournalRecord& record) {
  lastLine_ = body_.size();
  body_ += Line(record, LastTime());
  records_.push_back(record);
}

void Journal::ReplaceLast(const JournalRecord& record) {
  if (records_.empty()) {
    Append(record);
    return;
  }
  records_.back() = record;
  body_.resize(lastLine_);
  body_ += Line(record, TimeBeforeLast());
}

std::string Journal::Encode() const {
  char sum[32];
  std::snprintf(sum, sizeof sum, "sum %016llx\n", static_cast<unsigned long long>(Fnv1a64(body_)));
  return body_ + sum;
}

std::optional<Journal> Journal::Decode(std::string_view text, std::string_view game) {
  // The checksum line ends the text; it covers every byte before it.
  if (text.size() < 22 || text.back() != '\n') return std::nullopt;
  size_t sumAt = text.rfind('\n', text.size() - 2);
  if (sumAt == std::string_view::npos) return std::nullopt;
  std::string_view body = text.substr(0, sumAt + 1);
  std::string_view sumLine = text.substr(sumAt + 1, text.size() - sumAt - 2);
  char expected[32];
  std::snprintf(expected, sizeof expected, "sum %016llx",
                static_cast<unsigned long long>(Fnv1a64(body)));
  if (sumLine != expected) return std::nullopt;

  size_t end = body.find('\n');
  std::vector<std::string_view> header = Fields(body.substr(0, end));
  int64_t version = 0;
  int64_t start = 0;
  // Earlier versions of the text form are read; a later one comes from a
  // newer program than this.
  if (header.size() != 4 || header[0] != "MVJ" || !Number(header[1], 1, kVersion, version) ||
      !Number(header[3], 0, INT64_MAX / 4, start)) {
    return std::nullopt;
  }
  std::optional<std::string> name = DecodeName(header[2]);
  if (!name || GameAndRules(*name) != GameAndRules(game)) return std::nullopt;
  Journal journal{std::string(game), start};
  int64_t time = 0;
  size_t pos = end + 1;
  while (pos < body.size()) {
    size_t lineEnd = body.find('\n', pos);
    std::vector<std::string_view> f = Fields(body.substr(pos, lineEnd - pos));
    pos = lineEnd + 1;
    int64_t dt = 0;
    if (f.size() < 2 || f[1].size() != 1 || !Number(f[0], 0, INT64_MAX / 4, dt) ||
        time > INT64_MAX / 4 - dt || journal.records_.size() >= kMaxRecords) {
      return std::nullopt;
    }
    time += dt;
    JournalRecord record;
    record.time = time;
    if (!ReadRecord(f[1][0], f, record)) return std::nullopt;
    journal.Append(record);
  }
  return journal;
}

}  // namespace tk::platform::web
