#pragma once
// The two ways typed text is compared with a stored code.

#include <string_view>

#include "toolkit/components/Controls.h"

namespace mirvolant {

// Lower-cases the field's text by ASCII rules, writes it back into the field,
// and answers whether the field now holds exactly the code.
bool CheckCode(tk::TMaskEdit& field, std::string_view code);

// Answers whether the field holds exactly the code; changes nothing.
bool CheckCodeExact(const tk::TMaskEdit& field, std::string_view code);

}  // namespace mirvolant
