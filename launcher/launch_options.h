// The launcher's options: the `$`-separated tokens of its command line.
#pragma once

#include "support/text.h"
#include "support/types.h"

namespace kit {

struct RunState;

// One zero-filled buffer per value option and eleven flags. Entries of the
// "store" kind hold the whole token as typed, keyword included.
struct LaunchOptions {
  BoundedText<50> name;
  BoundedText<50> pass;
  BoundedText<50> numb;
  BoundedText<100> gate;
  BoundedText<20> popname;
  BoundedText<10> area;
  BoundedText<50> realname;
  BoundedText<50> organ;
  BoundedText<100> DNS;
  BoundedText<60> script;
  BoundedText<100> pop;
  BoundedText<100> smtp;
  BoundedText<100> remove;
  BoundedText<50> domain;
  BoundedText<100> news;
  BoundedText<20> copy;
  BoundedText<150> file;
  BoundedText<50> prof;
  BoundedText<20> dialparm;
  BoundedText<100> onlysmtp;
  BoundedText<255> next;

  BoundedText<20> chain;      // "$" + the whole token
  BoundedText<20> noprofile;  // "$" + the whole token
  BoundedText<50> prefix;     // the value without "prefix="
  BoundedText<50> suffix;     // the value without "suffix="
  BoundedText<200> path;      // the kit folder; written by staging

  u32 OEMail = 0;
  u32 IEMail = 0;
  u32 NSMail = 0;
  u32 O98Mail = 0;
  u32 nomodem = 0;
  u32 dunprefix = 0;
  u32 dunsuffix = 0;
  u32 mailprefix = 0;
  u32 mailsuffix = 0;
  u32 dialoption = 0;
  u32 rboot = 0;
};

// The parser's token buffer: a longer token is dropped whole.
constexpr u32 kTokenBufferSize = 255;

// Consumes `commandLine` in place, right to left, and leaves it empty. Sets
// the entries of `run.options`, `run.ScriptGiven` and the application buffer.
void ParseLaunchOptions(RunState& run, char* commandLine);

}  // namespace kit
