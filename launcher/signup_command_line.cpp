#include "launcher/signup_command_line.h"

#include <stddef.h>

#include "launcher/launch_options.h"
#include "support/bytes.h"

namespace kit {
namespace {

enum class Item : u8 {
  kEntry,  // lead text + the entry, when the entry is not empty
  kFlag,   // the lead text alone, when the flag is set
};

struct BuildItem {
  Item kind;
  const char* lead;
  u16 offset;  // of the entry or flag inside LaunchOptions
};

#define KIT_AT(field) static_cast<u16>(offsetof(LaunchOptions, field))

// The order in which the sign-up program receives its options.
const BuildItem kBuildItems[] = {
    {Item::kEntry, "$path=", KIT_AT(path)},
    {Item::kEntry, "", KIT_AT(chain)},  // holds its own '$'
    {Item::kEntry, "", KIT_AT(noprofile)},
    {Item::kEntry, "$", KIT_AT(name)},
    {Item::kEntry, "$", KIT_AT(pass)},
    {Item::kEntry, "$", KIT_AT(numb)},
    {Item::kEntry, "$", KIT_AT(gate)},
    {Item::kEntry, "$", KIT_AT(popname)},
    {Item::kEntry, "$", KIT_AT(area)},
    {Item::kFlag, "$OEMail", KIT_AT(OEMail)},
    {Item::kFlag, "$IEMail", KIT_AT(IEMail)},
    {Item::kFlag, "$NSMail", KIT_AT(NSMail)},
    {Item::kFlag, "$O98Mail", KIT_AT(O98Mail)},
    {Item::kFlag, "$nomodem", KIT_AT(nomodem)},
    {Item::kFlag, "$dunprefix", KIT_AT(dunprefix)},
    {Item::kFlag, "$dunsuffix", KIT_AT(dunsuffix)},
    {Item::kFlag, "$mailprefix", KIT_AT(mailprefix)},
    {Item::kFlag, "$mailsuffix", KIT_AT(mailsuffix)},
    // The sign-up program knows these two only with their keywords, so they
    // go out as "prefix=" and "suffix=" followed by the value.
    {Item::kEntry, "$prefix=", KIT_AT(prefix)},
    {Item::kEntry, "$suffix=", KIT_AT(suffix)},
    {Item::kEntry, "$", KIT_AT(realname)},
    {Item::kEntry, "$", KIT_AT(organ)},
    {Item::kEntry, "$", KIT_AT(DNS)},
    {Item::kEntry, "$", KIT_AT(script)},
    {Item::kEntry, "$", KIT_AT(pop)},
    {Item::kFlag, "$dialoption", KIT_AT(dialoption)},
    {Item::kFlag, "$rboot", KIT_AT(rboot)},
    {Item::kEntry, "$", KIT_AT(smtp)},
    {Item::kEntry, "$", KIT_AT(remove)},
    {Item::kEntry, "$", KIT_AT(domain)},
    {Item::kEntry, "$", KIT_AT(news)},
    {Item::kEntry, "$", KIT_AT(copy)},
    {Item::kEntry, "$", KIT_AT(file)},
    {Item::kEntry, "$", KIT_AT(prof)},
    {Item::kEntry, "$", KIT_AT(dialparm)},
    {Item::kEntry, "$", KIT_AT(onlysmtp)},
    {Item::kEntry, "$", KIT_AT(next)},
};

#undef KIT_AT

// Appends `lead` + `value` whole, or nothing.
void AppendItem(SignupCommandLine& commandLine, const char* lead, const char* value) {
  u32 length = commandLine.Length();
  if (commandLine.Append(lead) && commandLine.Append(value)) return;
  commandLine.Ref().Truncate(length);
}

}  // namespace

void BuildSignupCommandLine(const LaunchOptions& options,
                            const ApplicationBuffer& application,
                            SignupCommandLine& commandLine) {
  const char* base = reinterpret_cast<const char*>(&options);
  for (const BuildItem& item : kBuildItems) {
    const char* at = base + item.offset;
    if (item.kind == Item::kFlag) {
      if (*reinterpret_cast<const u32*>(at) != 0) AppendItem(commandLine, item.lead, "");
    } else if (*at != '\0') {
      AppendItem(commandLine, item.lead, at);
    }
  }
  if (!application.IsEmpty()) AppendItem(commandLine, "$appl=", application.Get());

  i32 firstDollar = FindFirst(commandLine.Get(), '$');
  if (firstDollar >= 0) commandLine.Data()[firstDollar] = ' ';
}

}  // namespace kit
