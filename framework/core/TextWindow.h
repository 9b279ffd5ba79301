#pragma once
// What a value cell needs of a window: its text. The Qt layer implements it
// for its controls; tests record it.
#include <string>

namespace fw {

class TextWindow {
public:
    virtual ~TextWindow() = default;
    virtual void SetWindowText(const std::string& text) = 0;
};

}  // namespace fw
