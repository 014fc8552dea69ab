// Scoped GDI handles. One rule holds everywhere in Quillmark: whoever selects
// an object into a context puts back what the context held before, in the same
// function, and every object made is deleted once no context holds it. These
// wrappers make that rule hard to break: declare the object first and its
// selection after it, so the selection is undone before the object is deleted.
// The back buffer's memory context is the one long-lived exception: its bitmap
// stays selected from one paint to the next, and the context's own bitmap is
// put back when the back buffer is released (paint/backbuffer.cpp).
#pragma once

#include <windows.h>

// Owns one pen, brush or bitmap and deletes it when it goes out of scope.
template <class Handle>
class GdiObject {
public:
    explicit GdiObject(Handle handle = nullptr) noexcept : handle_(handle) {}
    ~GdiObject()
    {
        if (handle_)
            DeleteObject(handle_);
    }

    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr; }

private:
    Handle handle_;
};

using Pen = GdiObject<HPEN>;
using Brush = GdiObject<HBRUSH>;

// Selects an object into a context for one scope and puts the previous one back.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) noexcept
        : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr)
    {
    }
    ~Selection()
    {
        if (previous_)
            SelectObject(dc_, previous_);
    }

    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

    // False when the object could not be selected (or there was none to select).
    bool selected() const noexcept { return previous_ != nullptr; }

private:
    HDC dc_;
    HGDIOBJ previous_;
};
