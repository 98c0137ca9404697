// TDragPanel: a thin splitter panel. While the left button is held it draws an inverted band on
// its parent; at the release it resizes ReSizeCtrl once so that control's far edge lands where
// the band was, then reports the end of the drag so the parent can lay out the neighbours.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/win32/window.h"
#include "ui/dragpnl_geometry.h"

namespace mv {

enum class Bevel : uint8_t { None, Lowered, Raised };
// Stored for the parent's layout; the panel does not move itself.
enum class Align : uint8_t { None, Top, Bottom, Left, Right, Client };

class TDragPanel : public win::Window {
 public:
  using TMyEvent = std::function<void(TDragPanel& sender, int32_t pos, int32_t cg)>;
  using TNotifyEvent = std::function<void(TDragPanel& sender)>;

  TDragPanel();
  ~TDragPanel() override;
  TDragPanel(const TDragPanel&) = delete;
  TDragPanel& operator=(const TDragPanel&) = delete;

  // Creates the panel's window as a child of parent, in the parent's client coordinates.
  bool Create(HWND parent, int x, int y, int width, int height, int id = 0);

  Tkind Kind() const { return kind_; }
  void SetKind(Tkind kind);  // also picks the cursor: left-right for Level, up-down for Vertical
  COLORREF Color() const;    // the button face colour unless set
  void SetColor(COLORREF color);
  Bevel BevelInner() const { return bevelInner_; }
  void SetBevelInner(Bevel b);
  Bevel BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(Bevel b);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int w);
  bool Enabled() const;
  void SetEnabled(bool enabled);
  int32_t LineWidth() const { return lineWidth_; }
  void SetLineWidth(int32_t w);
  // The control to resize; not owned. Cleared when that window is destroyed.
  HWND ReSizeCtrl() const;
  void SetReSizeCtrl(HWND ctrl);
  mv::Align Align() const { return align_; }
  void SetAlign(mv::Align a) { align_ = a; }
  bool Dragging() const { return dragging_; }

  int32_t TopMgn = 1;  // least distance of the panel's leading edge from the parent's start
  int32_t EndMgn = 5;  // least distance of its trailing edge from the parent's end
  TMyEvent OnEndDrag;  // Pos: the band's leading edge; Cg: Pos minus the panel's leading edge
  TNotifyEvent OnStartDrag;
  TNotifyEvent OnSizing;

 protected:
  virtual void NotifyEndDrag(int32_t pos, int32_t cg);
  virtual void NotifyStartDrag(TDragPanel& sender);
  virtual void NotifySizing(TDragPanel& sender);

 private:
  class BandPainter;

  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  LRESULT ResizeCtrlMessage(UINT msg, WPARAM wp, LPARAM lp);

  void MouseDown();
  void MouseMove(int x, int y);
  void MouseUp();
  void CaptureLost();
  void Paint();
  void DrawBand(int32_t p);
  void Unhook();
  RECT RectInParent() const;
  int32_t Leading() const;
  int32_t ParentExtent() const;

  HWND resizeCtrl_ = nullptr;
  win::Subclass resizeHook_;  // on resizeCtrl_, to hear of its end
  Tkind kind_ = Tkind::Level;
  std::unique_ptr<BandPainter>
      painter_;  // the parent's DC, pen and raster operation while dragging
  int32_t lineWidth_ = 4;
  int32_t pos_ = 0;   // the band's centre in the parent's client coordinates
  int32_t half_ = 0;  // half the panel's thickness, taken at the press
  bool dragging_ = false;
  bool enabled_ = true;
  bool hasColor_ = false;
  COLORREF color_ = 0;
  Bevel bevelInner_ = Bevel::None;
  Bevel bevelOuter_ = Bevel::Raised;
  int bevelWidth_ = 1;
  mv::Align align_ = mv::Align::None;
};

}  // namespace mv
