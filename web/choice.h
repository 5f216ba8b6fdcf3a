#pragma once

#include "cascade.h"

#include <string>
#include <string_view>

// The page's address keeps the choice behind the result shown, in the command line's words and in the order of the
// groups: module=BS2&baud=9600&parity=8N&polarity=inverted.
namespace choice {

// The words for the values the form holds, as far as each is one of the tables' (a form that has calculated holds
// four).
std::string fragment(const FormState &state);

// The control that a part of such an address chooses ("baud=9600"), where it stands at `index`: its key must be that
// group's and its word one of the group's, in any letter case. Empty for anything else.
std::string_view control(std::size_t index, std::string_view part);

} // namespace choice
