// The drawable elements of a layered window, and the owning list that holds them.
#pragma once

#include <windows.h>

#include <deque>
#include <memory>
#include <string>

#include "image/ObjImage.h"

class FCLayeredWindow;

class FCLayeredObject {
  public:
    FCLayeredObject() = default;
    virtual ~FCLayeredObject() = default;
    FCLayeredObject(const FCLayeredObject&) = delete;
    FCLayeredObject& operator=(const FCLayeredObject&) = delete;

    // Paints the element with its top-left corner at (0, 0) of `hdc`.
    virtual void Draw(HDC hdc, int width, int height) { (void)hdc, (void)width, (void)height; }

    void SetTipText(const wchar_t* text) { m_strTip = text ? text : L""; }
    void SetHoverCursor(HCURSOR cursor) { m_hCursor = cursor; }
    // Pressed, and the pointer is over the element now.
    BOOL IsPressedInside() const;
    BOOL IsHotOrPressed() const { return m_bPressed ? 1 : m_bHover; }
    // Sets the hover flag from a point in window coordinates; TRUE when it changed.
    BOOL UpdateHoverFlag(int x, int y);

    const RECT& GetRect() const { return m_rcObject; }
    int GetId() const { return m_nId; }
    const std::wstring& GetTipText() const { return m_strTip; }

  private:
    friend class FCLayeredWindow;

    FCLayeredWindow* m_pOwner = nullptr;
    RECT m_rcObject = {};
    int m_bHover = 0;
    int m_bPressed = 0;
    HCURSOR m_hCursor = nullptr;
    int m_nId = 0;
    std::wstring m_strTip;
    bool m_bTipRegistered = false;
};

// A horizontal strip of three equal frames: normal, hover, pressed.
class FCLayered3ImageButton : public FCLayeredObject {
  public:
    explicit FCLayered3ImageButton(const FCObjImage& strip);
    void Draw(HDC hdc, int width, int height) override;

  private:
    FCObjImage m_img;
};

// One picture at its natural size.
class FCLayeredImage : public FCLayeredObject {
  public:
    explicit FCLayeredImage(const FCObjImage& picture);
    void Draw(HDC hdc, int width, int height) override;

  private:
    FCObjImage m_img;
};

// An owning, ordered list of elements; they are deleted in list order.
template <typename T>
class PCL_Interface_Composite {
  public:
    PCL_Interface_Composite() = default;
    virtual ~PCL_Interface_Composite() {
        for (auto& item : m_items) item.reset();
    }
    PCL_Interface_Composite(const PCL_Interface_Composite&) = delete;
    PCL_Interface_Composite& operator=(const PCL_Interface_Composite&) = delete;

    // Takes ownership; an item already in the list is not added twice.
    void Add(T* item) {
        for (const auto& held : m_items) {
            if (held.get() == item) return;
        }
        m_items.emplace_back(item);
    }
    size_t Count() const { return m_items.size(); }
    T* At(size_t i) const { return m_items[i].get(); }

  private:
    std::deque<std::unique_ptr<T>> m_items;
};
