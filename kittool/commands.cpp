#include "kittool/commands.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <new>

#include "kittool/tool_error.h"

namespace kittool {
namespace {

const char kDecodeHelp[] =
    "Decodes a kit's configuration into JSON: a stored .oid file, or the package behind\n"
    "the marker in a launcher executable (searched from the end of its image, as the\n"
    "launcher does). The picture goes to --picture, else beside the -o file as\n"
    "<name>.bmp; with the JSON on standard output and no --picture it is embedded as\n"
    "Base64. A stream that breaks is reported with its field number and byte offset.";
const char kEncodeHelp[] =
    "Encodes a JSON configuration into a stored .oid file, scrambled, with the trailer\n"
    "unless the JSON says \"trailer\": false. Files the JSON names (picture,\n"
    "agreementTextFile) are found relative to the JSON file.";
const char kPackHelp[] =
    "Appends the marker and the encoded configuration to a copy of the launcher.\n"
    "Refuses a launcher in which the launcher's own search would already find a marker.";
const char kCheckHelp[] =
    "Reports what a provider should know about a kit: where the configuration is found,\n"
    "whether it decodes to its end, the picture, the agreement's length, the side files,\n"
    "and the command line the launcher gives the sign-up program for --options. That is\n"
    "worked out by running the launcher's own launch sequence against an in-memory\n"
    "Windows holding the kit: C:\\KIT\\<launcher>, temporary folder C:\\WINDOWS\\TEMP\\.\n"
    "Exit code 1 when the kit has a problem.";

struct Parsed {
  DecodeOptions decode;
  EncodeOptions encode;
  PackOptions pack;
  SzddOptions szdd;
  CheckOptions check;
};

void AddDecode(CLI::App& app, DecodeOptions& o) {
  CLI::App* c = app.add_subcommand("decode", "A stored configuration to JSON");
  c->footer(kDecodeHelp);
  c->add_option("input", o.input, "a .oid file, or a launcher with a package")->required();
  c->add_option("-o,--output", o.output, "the JSON file (default: standard output)");
  c->add_option("--picture", o.picture, "where to write the picture, a BMP file");
  c->add_flag("--embed-picture", o.embedPicture, "embed the picture in the JSON as Base64");
}

void AddEncode(CLI::App& app, EncodeOptions& o) {
  CLI::App* c = app.add_subcommand("encode", "JSON to a stored configuration file");
  c->footer(kEncodeHelp);
  c->add_option("config", o.input, "the JSON configuration")->required();
  c->add_option("-o,--output", o.output, "the .oid file to write")->required();
}

void AddPack(CLI::App& app, PackOptions& o) {
  CLI::App* c = app.add_subcommand("pack", "A launcher with a configuration appended");
  c->footer(kPackHelp);
  c->add_option("--launcher", o.launcher, "the launcher executable")->required();
  c->add_option("--config", o.config, "the JSON configuration")->required();
  c->add_option("-o,--output", o.output, "the kit executable to write")->required();
}

void AddSzdd(CLI::App& app, SzddOptions& o) {
  CLI::App* c = app.add_subcommand("szdd", "SZDD compression, as the launcher's resource holds it");
  c->footer("The output is written only when complete; a failure leaves no output file.");
  c->require_subcommand(1);
  CLI::App* compress = c->add_subcommand("compress", "IN to an SZDD file OUT");
  CLI::App* expand = c->add_subcommand("expand", "the SZDD file IN to OUT");
  for (CLI::App* sub : {compress, expand}) {
    sub->add_option("IN", o.input, "the input file")->required();
    sub->add_option("OUT", o.output, "the output file")->required();
  }
  compress->callback([&o] { o.compress = true; });
  expand->callback([&o] { o.compress = false; });
}

void AddCheck(CLI::App& app, CheckOptions& o) {
  CLI::App* c = app.add_subcommand("check", "What a kit does, before it is shipped");
  c->footer(kCheckHelp);
  c->add_option("kit", o.kit, "a kit folder, or the launcher in one")->required();
  c->add_option("--options", o.options, "the launcher's command line, e.g. '$name=jo$OEMail'");
}

int Dispatch(CLI::App& app, const Parsed& p, std::ostream& out, std::ostream& err) {
  if (app.got_subcommand("decode"))
    RunDecode(p.decode, out, err);
  else if (app.got_subcommand("encode"))
    RunEncode(p.encode, out, err);
  else if (app.got_subcommand("pack"))
    RunPack(p.pack, out, err);
  else if (app.got_subcommand("szdd"))
    RunSzdd(p.szdd, out, err);
  else if (app.got_subcommand("check"))
    return RunCheck(p.check, out, err);
  return kExitDone;
}

}  // namespace

int RunKittool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CLI::App app("Authoring, checking and packing sign-up kits", "kittool");
  app.require_subcommand(1);
  app.footer(
      "Exit codes: 0 done, 1 invalid input, 2 wrong usage.\n"
      "Run 'kittool COMMAND --help' for each command.");
  Parsed parsed;
  AddDecode(app, parsed.decode);
  AddEncode(app, parsed.encode);
  AddPack(app, parsed.pack);
  AddSzdd(app, parsed.szdd);
  AddCheck(app, parsed.check);

  std::vector<const char*> argv = {"kittool"};
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& e) {
    return app.exit(e, out, err) == 0 ? kExitDone : kExitUsage;
  }

  std::string command = app.get_subcommands().front()->get_name();
  try {
    return Dispatch(app, parsed, out, err);
  } catch (const ToolError& e) {
    err << "kittool: " << command << ": " << e.what() << "\n";
  } catch (const std::filesystem::filesystem_error& e) {
    err << "kittool: " << command << ": " << e.what() << "\n";
  } catch (const std::length_error& e) {
    err << "kittool: " << command << ": " << e.what() << "\n";
  } catch (const std::bad_alloc&) {
    err << "kittool: " << command << ": out of memory\n";
  }
  return kExitInvalidInput;
}

}  // namespace kittool
