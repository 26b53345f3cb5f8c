#include "launcher/launch_options.h"

#include <stddef.h>

#include "launcher/paths.h"
#include "launcher/run_state.h"
#include "platform/platform.h"
#include "support/bytes.h"

namespace kit {
namespace {

enum class Action : u8 {
  kStore,      // the whole token into its entry
  kStoreScript,// ScriptGiven, then store
  kFlag,       // set a flag; the rest of the token is dropped
  kDollarToken,// "$" + the whole token (chain, noprofile)
  kValue,      // the text after the keyword (prefix=, suffix=)
  kDrop,       // accepted and never forwarded
  kApplication,// extend the application buffer
};

struct KeywordRow {
  const char* keyword;
  u8 compareLength;
  Action action;
  u16 offset;  // of the entry or flag inside LaunchOptions
  u16 size;    // of the entry; 0 for flags and rows without one
};

#define KIT_ENTRY(field) \
  static_cast<u16>(offsetof(LaunchOptions, field)), \
      static_cast<u16>(sizeof(LaunchOptions::field))
#define KIT_FLAG(field) static_cast<u16>(offsetof(LaunchOptions, field)), 0

// Matched top to bottom; the first row that matches decides.
const KeywordRow kKeywordRows[] = {
    {"name=", 5, Action::kStore, KIT_ENTRY(name)},
    {"numb=", 5, Action::kStore, KIT_ENTRY(numb)},
    {"remove=", 7, Action::kStore, KIT_ENTRY(remove)},
    {"rboot", 5, Action::kFlag, KIT_FLAG(rboot)},
    {"realname=", 8, Action::kStore, KIT_ENTRY(realname)},
    {"organ=", 5, Action::kStore, KIT_ENTRY(organ)},
    {"nomodem", 7, Action::kFlag, KIT_FLAG(nomodem)},
    {"script=", 7, Action::kStoreScript, KIT_ENTRY(script)},
    {"popname=", 8, Action::kStore, KIT_ENTRY(popname)},
    {"copy=", 5, Action::kStore, KIT_ENTRY(copy)},
    {"gate=", 5, Action::kStore, KIT_ENTRY(gate)},
    {"chain", 5, Action::kDollarToken, KIT_ENTRY(chain)},
    {"iehome", 6, Action::kDrop, 0, 0},
    {"nethome", 7, Action::kDrop, 0, 0},
    {"homepage=", 9, Action::kDrop, 0, 0},
    {"IEMail", 6, Action::kFlag, KIT_FLAG(IEMail)},
    {"OEMail", 6, Action::kFlag, KIT_FLAG(OEMail)},
    {"NSMail", 6, Action::kFlag, KIT_FLAG(NSMail)},
    {"O98Mail", 7, Action::kFlag, KIT_FLAG(O98Mail)},
    {"noprofile", 9, Action::kDollarToken, KIT_ENTRY(noprofile)},
    {"dunsuffix", 9, Action::kFlag, KIT_FLAG(dunsuffix)},
    {"dunprefix", 9, Action::kFlag, KIT_FLAG(dunprefix)},
    {"mailsuffix", 10, Action::kFlag, KIT_FLAG(mailsuffix)},
    {"mailprefix", 10, Action::kFlag, KIT_FLAG(mailprefix)},
    {"prefix=", 7, Action::kValue, KIT_ENTRY(prefix)},
    {"suffix=", 7, Action::kValue, KIT_ENTRY(suffix)},
    {"DNS=", 4, Action::kStore, KIT_ENTRY(DNS)},
    {"area=", 5, Action::kStore, KIT_ENTRY(area)},
    {"pass=", 5, Action::kStore, KIT_ENTRY(pass)},
    {"smtp=", 5, Action::kStore, KIT_ENTRY(smtp)},
    {"onlysmtp=", 9, Action::kStore, KIT_ENTRY(onlysmtp)},
    {"pop=", 4, Action::kStore, KIT_ENTRY(pop)},
    {"news=", 5, Action::kStore, KIT_ENTRY(news)},
    {"dialoption", 10, Action::kFlag, KIT_FLAG(dialoption)},
    {"domain=", 7, Action::kStore, KIT_ENTRY(domain)},
    {"file=", 5, Action::kStore, KIT_ENTRY(file)},
    {"dialparm=", 9, Action::kStore, KIT_ENTRY(dialparm)},
    {"prof=", 5, Action::kStore, KIT_ENTRY(prof)},
    {"next=", 5, Action::kStore, KIT_ENTRY(next)},
    {"appl=", 5, Action::kApplication, 0, 0},
};

#undef KIT_ENTRY
#undef KIT_FLAG

TextRef EntryOf(LaunchOptions& options, const KeywordRow& row) {
  return TextRef(reinterpret_cast<char*>(&options) + row.offset, row.size);
}

u32& FlagOf(LaunchOptions& options, const KeywordRow& row) {
  return *reinterpret_cast<u32*>(reinterpret_cast<char*>(&options) + row.offset);
}

// appl=: a value that does not begin with "http://" goes behind the kit
// folder, replacing what the buffer held; a web address is appended to it.
// A result that would not fit leaves the buffer as it was.
void ExtendApplication(RunState& run, const char* value) {
  BoundedText<256> result;
  if (SamePrefixIgnoringCase(value, "http://", 7)) {
    if (!result.Assign(run.application.Get())) return;
  } else {
    if (!GetKitFolder(run.platform, result.Ref())) return;
  }
  if (!result.Append(value)) return;
  run.application.Assign(result.Get());
}

// Entries never take a token cut short: one that does not fit is dropped, and
// the entry keeps what it held.
void HandleToken(RunState& run, const char* token) {
  LaunchOptions& options = *run.options;
  for (const KeywordRow& row : kKeywordRows) {
    if (!SamePrefixIgnoringCase(token, row.keyword, row.compareLength)) continue;
    switch (row.action) {
      case Action::kStoreScript:
        run.ScriptGiven = 1;
        EntryOf(options, row).Assign(token);
        break;
      case Action::kStore:
        EntryOf(options, row).Assign(token);
        break;
      case Action::kFlag:
        FlagOf(options, row) = 1;
        break;
      case Action::kDollarToken: {
        TextRef entry = EntryOf(options, row);
        BoundedText<20> value;
        if (value.Assign("$") && value.Append(token)) entry.Assign(value.Get());
        break;
      }
      case Action::kValue:
        EntryOf(options, row).Assign(token + row.compareLength);
        break;
      case Action::kDrop:
        break;
      case Action::kApplication:
        ExtendApplication(run, token + row.compareLength);
        break;
    }
    return;
  }
}

}  // namespace

void ParseLaunchOptions(RunState& run, char* commandLine) {
  BoundedText<kTokenBufferSize> token;
  u32 end = TextLength(commandLine);
  // Tokens are handled from the right end to the left, so that of a repeated
  // option the leftmost occurrence is handled last and stays.
  for (;;) {
    u32 start = end;
    while (start > 0 && commandLine[start - 1] != '$') --start;
    bool foundDollar = start > 0;
    if (!foundDollar && end == 0) break;
    token.Clear();
    if (token.Assign(commandLine + start, end - start)) HandleToken(run, token.Get());
    if (!foundDollar) {
      commandLine[0] = '\0';
      break;
    }
    commandLine[start - 1] = '\0';
    end = start - 1;
  }
}

}  // namespace kit
