// What a provider should hear about a configuration's values: things that
// the launcher reads differently from how they look.
#pragma once

#include <string>
#include <vector>

#include "config/writer/kit_configuration.h"

namespace kittool {

// Holds at most 44 characters: "prof=" and the name must fit 50 bytes.
constexpr size_t kLongestProfileName = 44;
constexpr size_t kLongestCaption = 254;
constexpr size_t kLongestAgreementText = 65534;

std::vector<std::string> ConfigurationNotes(const kit::config::KitConfiguration& config);

}  // namespace kittool
