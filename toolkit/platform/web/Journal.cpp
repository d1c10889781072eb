#include "toolkit/platform/web/Journal.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <type_traits>

namespace tk::platform::web {

namespace {

constexpr int kMaxKey = static_cast<int>(Key::X);
constexpr int kMaxAction = static_cast<int>(AccessibleAction::SetText);
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

// Every kind of event the journal keeps: its letter and its fields in order.
// w window, k key, m modifiers (0 to 7), r repeat (0 or 1), x and y a point,
// b button (0 to 3), t text (hex, "-" when empty), n a node, a what assistive
// technology asked of it (an AccessibleAction).
struct Format {
  EventKind kind;
  char letter;
  std::string_view fields;
};

constexpr Format kFormats[] = {
    {EventKind::KeyDown, 'k', "wkmr"},   {EventKind::KeyUp, 'K', "wkmr"},
    {EventKind::Text, 't', "wt"},        {EventKind::Paste, 'p', "wt"},
    {EventKind::MouseMove, 'm', "wxy"},  {EventKind::MouseDown, 'd', "wxybm"},
    {EventKind::MouseUp, 'u', "wxybm"},  {EventKind::MouseLeave, 'l', "w"},
    {EventKind::CloseRequest, 'c', "w"}, {EventKind::FocusGained, 'f', "w"},
    {EventKind::FocusLost, 'b', "w"},    {EventKind::Exposed, 'e', "w"},
    {EventKind::Moved, 'o', "wxy"},      {EventKind::AccessibleAction, 'a', "wnat"},
};

// Version 1 wrote a paste as the key that asked for it (V or Insert, with its
// modifiers) and the clipboard's text then.
constexpr Format kVersion1Paste{EventKind::Paste, 'p', "wkmt"};

// Quit and Wake are no input and have none.
const Format* FormatOf(EventKind kind) {
  for (const Format& f : kFormats) {
    if (f.kind == kind) return &f;
  }
  return nullptr;
}

const Format* FormatOf(char letter, int64_t version) {
  if (version == 1 && letter == kVersion1Paste.letter) return &kVersion1Paste;
  for (const Format& f : kFormats) {
    if (f.letter == letter) return &f;
  }
  return nullptr;
}

// Every numeric field of an event: its letter, the range a journal may hold
// and the member it stands for. Writing and reading both go by this table, so
// that what is written is what is read back; 't', the text, is the one field
// that is no number.
struct NumberField {
  char letter;
  int64_t low;
  int64_t high;
  int64_t (*get)(const Event&);
  void (*set)(Event&, int64_t);
};

template <auto Member>
constexpr NumberField FieldOf(char letter, int64_t low, int64_t high) {
  return {letter, low, high, [](const Event& e) { return static_cast<int64_t>(e.*Member); },
          [](Event& e, int64_t n) {
            e.*Member = static_cast<std::remove_reference_t<decltype(e.*Member)>>(n);
          }};
}

constexpr NumberField kNumberFields[] = {
    FieldOf<&Event::window>('w', 1, kMaxWindow),
    FieldOf<&Event::key>('k', 0, kMaxKey),
    FieldOf<&Event::modifiers>('m', 0, 7),
    FieldOf<&Event::repeat>('r', 0, 1),
    FieldOf<&Event::x>('x', -kMaxCoordinate, kMaxCoordinate),
    FieldOf<&Event::y>('y', -kMaxCoordinate, kMaxCoordinate),
    FieldOf<&Event::button>('b', 0, 3),
    FieldOf<&Event::node>('n', 1, UINT32_MAX),
    FieldOf<&Event::action>('a', 0, kMaxAction),
};

const NumberField* NumberFieldOf(char letter) {
  for (const NumberField& f : kNumberFields) {
    if (f.letter == letter) return &f;
  }
  return nullptr;
}

void AppendField(std::string& line, char field, const Event& e) {
  line.push_back(' ');
  const NumberField* number = NumberFieldOf(field);
  line += number != nullptr ? std::to_string(number->get(e)) : HexField(e.text);
}

// Reads one field into the event; false when it is not what it must be.
bool ReadField(std::string_view text, char field, Event& e) {
  const NumberField* number = NumberFieldOf(field);
  if (number == nullptr) {
    std::optional<std::string> bytes = Unhex(text);
    if (bytes) e.text = std::move(*bytes);
    return bytes.has_value();
  }
  int64_t n = 0;
  if (!Number(text, number->low, number->high, n)) return false;
  number->set(e, n);
  return true;
}

// Reads the fields after <dt> and the kind letter into record; false when
// they do not make a record.
bool ReadRecord(const std::vector<std::string_view>& f, int64_t version, JournalRecord& record) {
  // f[0] is the time, f[1] the letter; the rest are the letter's fields.
  char letter = f[1][0];
  int64_t deadline = 0;
  if (letter == 'j') {
    record.kind = JournalRecord::Kind::Jump;
    if (f.size() != 3 || !Number(f[2], 0, INT64_MAX / 4, deadline)) return false;
    record.deadline = deadline;
    return deadline <= record.time;
  }
  const Format* format = FormatOf(letter, version);
  if (format == nullptr || f.size() != format->fields.size() + 2) return false;
  record.kind = JournalRecord::Kind::Event;
  Event& e = record.event;
  e.kind = format->kind;
  for (size_t i = 0; i < format->fields.size(); ++i) {
    if (!ReadField(f[i + 2], format->fields[i], e)) return false;
  }
  if (format == &kVersion1Paste) {
    e.key = Key::None;
    e.modifiers = 0;
  }
  return true;
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

JournalRecord JournalRecord::OfEvent(int64_t time, Event event) {
  JournalRecord r;
  r.kind = Kind::Event;
  r.time = time;
  r.event = std::move(event);
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
  std::string line = std::to_string(r.time - previousTime);
  if (r.kind == JournalRecord::Kind::Jump) {
    line += " j ";
    line += std::to_string(r.deadline);
  } else {
    const Format* format = FormatOf(r.event.kind);
    line.push_back(' ');
    line.push_back(format->letter);
    for (char field : format->fields) AppendField(line, field, r.event);
  }
  line.push_back('\n');
  return line;
}

int64_t Journal::TimeBeforeLast() const {
  return records_.size() < 2 ? 0 : records_[records_.size() - 2].time;
}

void Journal::Append(const JournalRecord& record) {
  if (record.kind == JournalRecord::Kind::Event && FormatOf(record.event.kind) == nullptr) return;
  lastLine_ = body_.size();
  body_ += Line(record, LastTime());
  records_.push_back(record);
}

void Journal::ReplaceLast(const JournalRecord& record) {
  if (record.kind == JournalRecord::Kind::Event && FormatOf(record.event.kind) == nullptr) return;
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
    if (!ReadRecord(f, version, record)) return std::nullopt;
    journal.Append(record);
  }
  return journal;
}

}  // namespace tk::platform::web
