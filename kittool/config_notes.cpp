#include "kittool/config_notes.h"

#include <cctype>

#include "kittool/agreement_estimate.h"

namespace kittool {
namespace {

using kit::config::DeliveredValue;

std::string Lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

void NoteCutAtZero(const char* name, const kit::config::Text& text,
                   std::vector<std::string>& notes) {
  if (text.value.find('\0') != std::string::npos)
    notes.push_back(std::string(name) +
                    " holds a zero byte: the launcher reads it only up to there");
}

}  // namespace

std::vector<std::string> ConfigurationNotes(const kit::config::KitConfiguration& c) {
  std::vector<std::string> notes;
  std::string profile = DeliveredValue(c.profileName.value);
  if (profile.size() > kLongestProfileName)
    notes.push_back("profileName has " + std::to_string(profile.size()) +
                    " characters; the launcher takes at most 44 and otherwise keeps the "
                    "prof= default (the launcher's own name)");
  if (c.profileName.value == "blank")
    notes.push_back("profileName \"blank\" stands for the empty name: prof= goes out empty");
  NoteCutAtZero("profileName", c.profileName, notes);

  if (c.hasAgreement) {
    std::string text = DeliveredValue(c.agreementText.value);
    if (text.size() > kLongestAgreementText)
      notes.push_back("agreementText is cut to 65,534 characters in the dialog");
    if (HasBareLineFeed(text))
      notes.push_back(
          "agreementText has line ends without CR: a Windows edit control breaks "
          "lines only at CR LF");
    if (DeliveredValue(c.agreementCaption.value).size() > kLongestCaption)
      notes.push_back("agreementCaption is cut to 254 characters");
    NoteCutAtZero("agreementText", c.agreementText, notes);
  }

  std::string copy = DeliveredValue(c.copyInstruction.value);
  if (copy != "yes" && Lowered(Trimmed(copy)) == "yes")
    notes.push_back("copyInstruction \"" + copy +
                    "\" is not exactly \"yes\": nothing is copied and there is no copyFile");
  if (c.HasCopyFile() && DeliveredValue(c.copyFile.value).empty())
    notes.push_back("copyInstruction is \"yes\" but copyFile is empty: nothing is copied");
  return notes;
}

}  // namespace kittool
