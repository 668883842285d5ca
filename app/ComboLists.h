#pragma once
// Filling the window's combo boxes from the component's line lists.

#include <string>

class QComboBox;

// Clears the combo's text, replaces its items by the lines of lines ("\r\n" between entries) and,
// when there is at least one item, selects index (an index out of range selects nothing).
// Filling never counts as a change by the user.
void FillComboFromLines(QComboBox& combo, const std::string& lines, int index);
