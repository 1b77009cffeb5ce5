// The two pictures of the grid's mark column: a check box, empty or ticked, on olive.
#include "recalculation/cli_pag00900.h"

#include <map>

namespace recalculation {

platform::TBitmap CheckPicture(bool checked) {
    // 16 x 16 pixels: o olive (the background, left out when drawn), k black, w white,
    // g light grey. The box is a white 9 x 9 square with a black top and left edge and a grey
    // line to its right and below; the tick sits inside the white square.
    static const std::vector<std::string> empty = {
        "oooooooooooooooo", "oooooooooooooooo", "ookkkkkkkkkkgooo", "ookwwwwwwwwwgooo",
        "ookwwwwwwwwwgooo", "ookwwwwwwwwwgooo", "ookwwwwwwwwwgooo", "ookwwwwwwwwwgooo",
        "ookwwwwwwwwwgooo", "ookwwwwwwwwwgooo", "ookwwwwwwwwwgooo", "ookwwwwwwwwwgooo",
        "oogggggggggggooo", "oooooooooooooooo", "oooooooooooooooo", "oooooooooooooooo",
    };
    static const std::vector<std::string> ticked = {
        "oooooooooooooooo", "oooooooooooooooo", "ookkkkkkkkkkgooo", "ookwwwwwwwwwgooo",
        "ookwwwwwwwkwgooo", "ookwwwwwwkkwgooo", "ookwkwwwkkkwgooo", "ookwkkwkkkwwgooo",
        "ookwkkkkkwwwgooo", "ookwwkkkwwwwgooo", "ookwwwkwwwwwgooo", "ookwwwwwwwwwgooo",
        "oogggggggggggooo", "oooooooooooooooo", "oooooooooooooooo", "oooooooooooooooo",
    };
    static const std::map<char, platform::TColor> palette = {
        {'o', kCorFundoCheck},
        {'k', platform::RGB(0, 0, 0)},
        {'w', platform::RGB(255, 255, 255)},
        {'g', platform::RGB(192, 192, 192)},
    };
    platform::TBitmap picture = platform::TBitmap::FromRows(checked ? ticked : empty, palette);
    picture.SetTransparentColor(kCorFundoCheck);
    return picture;
}

} // namespace recalculation
