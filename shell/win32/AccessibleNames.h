#pragma once

#include <windows.h>

#include <initializer_list>

namespace brenmark::win32 {

// A dialog control and the name a screen reader reads for it.
struct AccessibleName {
  int id;
  const wchar_t* name;
};

// Names the dialog's controls whose own text or label does not tell them
// apart (buttons that read alike, fields without a label of their own). Every
// other field is named by the static label right before it in z-order, as the
// templates lay them out. The names go to the system's accessibility layer
// and are taken back when each control is destroyed; where that layer keeps
// no names, the controls keep their usual ones.
void SetAccessibleNames(HWND dialog, std::initializer_list<AccessibleName> names);

}  // namespace brenmark::win32
