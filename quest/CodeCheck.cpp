#include "quest/CodeCheck.h"

namespace mirvolant {

bool CheckCode(tk::TMaskEdit& field, std::string_view code) {
  field.SetText(tk::AsciiLower(field.Text()));
  return field.Text() == code;
}

bool CheckCodeExact(const tk::TMaskEdit& field, std::string_view code) {
  return field.Text() == code;
}

}  // namespace mirvolant
