// Pictures a seller put into a body, kept within the screen on a fitted page: each <img> the
// browser reads gets "max-width:100%" (and "height:auto", so it keeps its shape) before the
// seller's own style, which still wins where it says otherwise.
#pragma once

#include <string>
#include <string_view>

namespace bq {

// Whether the text may hold a picture (an "<img" in any letter case): a quick look first.
bool mayHoldPicture(std::string_view text);

// The text with every picture fitted; the text itself when it holds none.
std::string fitPictures(std::string_view text);

}  // namespace bq
