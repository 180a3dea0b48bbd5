// A top-level per-pixel-alpha window whose whole look is one composed image: a background with
// elements on top. Every change recomposes the image and hands it to UpdateLayeredWindow; the
// window never paints on WM_PAINT. Elements get hover and pressed looks, cursors, tooltips and a
// click notification with their id.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "image/ObjImage.h"
#include "toolkit/LayeredObjects.h"
#include "toolkit/RawWindow.h"
#include "toolkit/ToolTip.h"
#include "toolkit/TrackMouseHover.h"

class FCLayeredWindow : public FCMessageWindow, public FCTrackMouseHover {
  public:
    FCLayeredWindow() = default;
    ~FCLayeredWindow() override;

    // The background fixes the window's size and its shape; set it before Create.
    void SetBackground(const FCObjImage& img) { m_imgBack.CopyFrom(img); }
    // The window owns `obj` from now on.
    void AddObject(FCLayeredObject* obj, RECT rc, int id);
    void Create(int x, int y, HWND hwndOwner, BOOL show, DWORD exStyle);

    FCLayeredObject* HitTest(int x, int y) const;
    void Redraw();

    // True while a press on an element is being tracked (a nested message loop is running).
    bool IsTrackingPress() const { return m_pressed != nullptr; }
    // Posts the message now, or, during a press, as soon as the press has ended. Owners use it to
    // delete this window safely: never from inside the press's own loop.
    void PostAfterPress(HWND target, UINT msg, WPARAM wParam, LPARAM lParam);

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  protected:
    virtual void OnObjectClick(int id, FCLayeredObject* obj) { (void)id, (void)obj; }
    // Gives the composed frame the background's alpha, so drawing cannot change the shape.
    virtual void OnComposed(FCObjImage& img);
    void OnMouseEnter() override;
    void OnMouseLeave() override;

    FCObjImage m_imgBack;

  private:
    struct PendingPost {
        HWND target;
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
    };

    bool StartFrame();
    void UpdateHover(int x, int y);
    void TrackPress(FCLayeredObject* obj);
    // The press's own loop until the button is released or the capture lost; the click.
    void RunPress(FCLayeredObject* obj);
    // One nested-loop message of a press; false when the press is over.
    bool PressStep(FCLayeredObject* obj, const MSG& msg, POINT* releasedAt);
    void FinishPress(FCLayeredObject* obj);
    void RegisterTips();

    FCObjImage m_imgFrame;  // the last composed frame
    PCL_Interface_Composite<FCLayeredObject> m_objects;
    POINT m_ptLastMouse = {kOutside, kOutside};
    std::unique_ptr<FCToolTip> m_pToolTip;
    FCLayeredObject* m_pressed = nullptr;
    std::vector<PendingPost> m_afterPress;

    static constexpr int kOutside = -2008;
};
