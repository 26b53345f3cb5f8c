// The three reading passes over a configuration stream.
//
// The stream is a flat run of fields whose meaning comes from their position;
// the launcher uses a few and steps over all the others exactly. Each pass
// starts at the stream's first byte.
//
// A stream that ends early is kit damage, not a reason to read past its end:
// the pass stops at the first field that runs out, the missing fields count
// as absent, and nothing is done with a value that was not read whole. Where
// the stream ends decides the interactive pass's answer:
//   - before the agreement flag (field 23) is read whole: no agreement, go on;
//   - inside the agreement block (fields 24 to 26): the agreement the kit
//     asks for cannot be shown whole, so the launch ends, as it does when the
//     dialog cannot be shown at all. Neither counts as the customer's
//     refusal, so neither hangs up the dial-up connection.
#pragma once

#include "config/oid_cursor.h"
#include "launcher/run_state.h"

namespace kit {

enum class OidPass {
  kPicture,      // fields 1 to 57: the copy instruction, then the picture
  kInteractive,  // fields 1 to 26: the agreement dialog
  kStaging,      // fields 1 to 46 or 47: the profile name, the copy instruction
};

// 1: go on. 0 (interactive pass only): the launch must end, because the
// customer refused the agreement (`run.AgreementRefused` is then set) or the
// agreement could not be shown.
int ReadOidPass(RunState& run, const OidBuffer& stream, OidPass pass);
// The same from `cursor`, which is left where the pass stopped reading.
int ReadOidPass(RunState& run, OidCursor& cursor, OidPass pass);

// The staging pass, run by staging after the temporary folder is ready: the
// held package stream, after undoing staging's scrambling of it, or the
// configuration file named by file= read again.
void RunStagingPass(RunState& run);

}  // namespace kit
