// What the agreement dialog works with: the values read from the
// configuration, and where it records a refusal.
#pragma once

#include "support/types.h"

namespace kit {

class DibImage;

struct AgreementSession {
  const char* AgreementText = nullptr;     // null: none
  const char* AgreementCaption = nullptr;  // null: none; empty: empty title
  u32 ScrollToAccept = 0;
  u32* AgreementRefused = nullptr;         // set to 1 on a refusal
  // The picture; the dialog resets and frees it when destroyed, and sets
  // the pointer to null.
  DibImage** SplashPicture = nullptr;
};

}  // namespace kit
