// The modal agreement dialog.
#include <windows.h>

#include "agreement/agreement_session.h"
#include "platform/win32/win32_platform.h"

namespace kit {

bool Win32Platform::RunAgreementDialog(AgreementSession& session) {
  (void)session;
  return false;
}

}  // namespace kit
