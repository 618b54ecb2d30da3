// How the user activated a clickable control; shared by the hyperlink, which
// acts on it, and the styled label, which hands it to its callback.
#ifndef UI_ACTIVATION_KIND_H_
#define UI_ACTIVATION_KIND_H_

enum class ActivationKind {
  kButtonDown = 1,  // left button pressed (or double-clicked)
  kButtonUp = 2,    // left button released while hovering
  kSpace = 3,
  kEnter = 4,
};

#endif  // UI_ACTIVATION_KIND_H_
