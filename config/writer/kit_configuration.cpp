#include "config/writer/kit_configuration.h"

namespace kit {
namespace config {

std::string DeliveredValue(const std::string& stored) {
  std::string value = stored.substr(0, stored.find('\0'));
  return value == "blank" ? std::string() : value;
}

bool KitConfiguration::HasCopyFile() const {
  return DeliveredValue(copyInstruction.value) == "yes";
}

}  // namespace config
}  // namespace kit
