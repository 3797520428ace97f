// In-process drag and drop between controls: the source starts a drag (at once, or once the mouse
// has moved a little with the left button held), the manager follows the mouse, asks the control
// under it whether it accepts, shows the drag or no-drop cursor, and on release hands the drop to
// the target and the end to the source.
#pragma once
#include "Controls.h"
#include <functional>

enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };

using TStartDragEvent = std::function<void(TObject* Sender)>;
using TDragOverEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y,
                                          TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;

// Windowed controls that take part in drags derive from this next to their control class.
// Coordinates are client coordinates of the control that receives them.
class TDragClient {
public:
  virtual ~TDragClient();
  TStartDragEvent OnStartDrag;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TEndDragEvent OnEndDrag;
  // The cursor while a drag from this control is over an accepting target.
  TCursor DragCursor = crDrag;

  // A drag from this control starts now: fires OnStartDrag; may change the cursor.
  virtual void DoStartDrag(TCursor& cursor);
  // Accept starts true when OnDragOver is assigned, false otherwise; the event may change it.
  virtual void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
  virtual void DragDrop(TObject* Source, int X, int Y);
  // Target is nullptr when the drag was cancelled or dropped where nothing accepted.
  virtual void DoEndDrag(TObject* Target, int X, int Y);
};

// Starts a drag from source (a TWinControl that is a TDragClient): at once, or, when not
// immediate (called from a left-button press), once the mouse has moved beyond the system's drag
// distance with the button still held; a release before that forgets it. The source passes its
// mouse messages to DragMouseMessage while a drag is pending or under way.
void BeginDrag(TWinControl* source, bool immediate = true);
bool Dragging();
// A drag from source waits for the mouse to move.
bool DragPending(const TWinControl* source);
// The cursor of the drag under way (a start handler may choose it by what the drag carries).
void SetDragCursor(TCursor cursor);
TWinControl* DragSource();
// Ends the drag without a drop.
void CancelDrag();
// Follows the drag for a message the source received; true when the manager consumed it.
bool DragMouseMessage(TWinControl* source, const TMessage& message);
