#pragma once
// Mouse messages that reach the component from a renderer's window through its message drain.
// They are delivered to the component as the toolkit's own mouse events, so that a click on the
// video fires OnMouseDown, OnMouseUp, OnMouseMove and OnDblClick as a click on the panel does.
// UI thread only.

#include "ui/Message.h"

class QWidget;

// Whether msg is one of the button or move messages.
bool IsMouseMessage(UINT msg);
// Sends target the mouse event the message stands for (the point in lParam, the buttons and keys
// held in wParam).
void DeliverMouseMessage(QWidget& target, const ui::Message& message);
