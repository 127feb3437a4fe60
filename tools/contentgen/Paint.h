// The painters behind "picture" lines: a picture is a named size and a
// style with key=value settings (colours are palette names).
#pragma once

#include <map>
#include <string>

#include "Picture.h"

namespace contentgen {

struct PictureRecipe {
    std::string name;
    int width = 0, height = 0;  // on the screen (the sheet's orientation)
    std::string style;
    std::map<std::string, std::string> args;
    std::string where;  // file:line, for messages
};

struct Faces {
    Face* regular = nullptr;
    Face* bold = nullptr;
};

// The picture in screen orientation, exactly width by height.
Canvas paintPicture(const PictureRecipe& recipe, const Palette& palette, Faces& faces);

}  // namespace contentgen
