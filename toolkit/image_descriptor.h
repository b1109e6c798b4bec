// An image attribute: either a path in the skin ("res\a.png") or key='value' pairs
// (file, source, dest, corner, mask, fade, hole, xtiled, ytiled). Pure value and parser.
#pragma once

#include <string>
#include <string_view>

#include "toolkit/types.h"

namespace toolkit {

struct ImageDescriptor {
    std::wstring file;
    bool hasSource = false;
    Rect source;  // part of the image to draw, in image pixels
    bool hasDest = false;
    Rect dest;    // where to draw, relative to the control's top-left corner
    Rect corner;  // nine-grid widths that are not stretched (left, top, right, bottom)
    bool hasMask = false;
    Color mask = 0;     // pixels of this colour become transparent (alpha ignored)
    int fade = 255;     // opacity 0..255
    bool hole = false;  // true: the nine-grid's centre part is left out
    bool xtiled = false;
    bool ytiled = false;

    bool operator==(const ImageDescriptor&) const = default;
};

// False for an empty text, a list without a file, or a malformed value of a known key. Unknown
// keys are ignored.
bool ParseImageDescriptor(std::wstring_view text, ImageDescriptor* image);

}  // namespace toolkit

namespace toolkit {

// An image attribute of a control: the text as written and its parsed form.
class ImageAttribute {
public:
    void Set(std::wstring_view text) {
        m_text = text;
        m_valid = ParseImageDescriptor(text, &m_descriptor);
    }
    const std::wstring& Text() const { return m_text; }
    // Null when the attribute is empty or malformed.
    const ImageDescriptor* Get() const { return m_valid ? &m_descriptor : nullptr; }

private:
    std::wstring m_text;
    ImageDescriptor m_descriptor;
    bool m_valid = false;
};

}  // namespace toolkit
