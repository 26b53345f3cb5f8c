// The field sequence, written once for the writer and the decoder: a walk
// over the members of a configuration in stream order, in which a
// conditional field is visited only when the value before it (as written, or
// as just decoded) makes it present.
#pragma once

#include "config/writer/kit_configuration.h"

namespace kit {
namespace config {

// `Config` is KitConfiguration or const KitConfiguration; the visitor has
// Text(field, text), Flag(field, flag), Number(field, number) and
// Picture(field, bytes).
template <typename Config, typename Visitor>
void WalkFields(Config& c, Visitor& v) {
  v.Text(1, c.version);
  v.Text(2, c.text2);
  v.Text(3, c.text3);
  v.Flag(4, c.flag4);
  v.Flag(5, c.flag5);
  v.Text(6, c.profileName);
  v.Text(7, c.text7);
  v.Flag(8, c.flag8);
  v.Flag(9, c.flag9);
  v.Text(10, c.text10);
  v.Text(11, c.text11);
  v.Text(12, c.text12);
  v.Text(13, c.text13);
  v.Flag(14, c.desktopShortcut);
  if (c.desktopShortcut) v.Text(15, c.shortcutText);
  v.Flag(16, c.dialAtEnd);
  v.Flag(17, c.flag17);
  if (c.flag17) v.Text(18, c.text18);
  v.Flag(19, c.hangUpOnRefusal);
  v.Flag(20, c.flag20);
  v.Flag(21, c.flag21);
  v.Flag(22, c.flag22);
  v.Flag(23, c.hasAgreement);
  if (c.hasAgreement) {
    v.Flag(24, c.scrollToAccept);
    v.Text(25, c.agreementText);
    v.Text(26, c.agreementCaption);
  }
  v.Flag(27, c.flag27);
  if (c.flag27) {
    v.Text(28, c.text28);
    v.Text(29, c.text29);
  }
  v.Flag(30, c.flag30);
  if (c.flag30) {
    v.Number(31, c.number31);
    v.Text(32, c.text32);
    v.Text(33, c.text33);
  }
  v.Flag(34, c.flag34);
  v.Flag(35, c.flag35);
  if (c.flag35) {
    v.Number(36, c.number36);
    v.Text(37, c.text37);
    v.Text(38, c.text38);
  }
  v.Text(39, c.text39);
  v.Text(40, c.text40);
  v.Text(41, c.text41);
  v.Text(42, c.text42);
  v.Text(43, c.text43);
  v.Text(44, c.text44);
  v.Text(45, c.text45);
  v.Text(46, c.copyInstruction);
  if (c.HasCopyFile()) v.Text(47, c.copyFile);
  v.Text(48, c.text48);
  v.Text(49, c.text49);
  v.Text(50, c.text50);
  v.Flag(51, c.flag51);
  v.Flag(52, c.flag52);
  v.Flag(53, c.flag53);
  v.Flag(54, c.flag54);
  v.Text(55, c.text55);
  v.Text(56, c.text56);
  v.Picture(57, c.picture);
}

}  // namespace config
}  // namespace kit
