// vornak-decode: reads the QR Code symbol of each picture file given on the
// command line and prints its text.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/FileDecoder.h"
#include "cli/Options.h"
#include "cli/Report.h"
#include "engine/AppendMerger.h"

#ifndef VORNAK_VERSION
#define VORNAK_VERSION "unknown"
#endif

namespace {

void Write(std::FILE* stream, const std::string& text) {
  if (text.empty()) return;
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

}  // namespace

int main(int argc, char** argv) {
  using vornak::cli::TOptions;
  std::vector<std::string> arguments(argv + 1, argv + argc);
  const TOptions options = TOptions::Parse(arguments);
  switch (options.Action) {
    case TOptions::TAction::Help:
      Write(stdout, TOptions::HelpText());
      return 0;
    case TOptions::TAction::Version:
      Write(stdout, std::string("vornak-decode ") + VORNAK_VERSION + "\n");
      return 0;
    case TOptions::TAction::UsageError:
      Write(stderr, "vornak-decode: " + options.Error +
                        "\nTry 'vornak-decode --help' for more information.\n");
      return 2;
    case TOptions::TAction::Decode:
      break;
  }

  const vornak::cli::TReport report(options);
  bool anyUnreadable = false;
  bool anyFailed = false;
  vornak::TAppendMerger merger;
  vornak::cli::DecodeAll(options, [&](const vornak::cli::TFileResult& result) {
    // A picture that was asked for and not written is an error like an
    // unreadable file.
    if (!result.AnnotateError.empty()) {
      Write(stderr, "vornak-decode: " + result.AnnotateError + "\n");
      anyUnreadable = true;
    }
    anyUnreadable = anyUnreadable || !result.Readable;
    anyFailed = anyFailed || !result.Ok;
    if (options.Merge)
      for (const vornak::TSymbolResult& symbol : result.Symbols) merger.Add(symbol);
    std::string out, err;
    report.Format(result, out, err);
    Write(stdout, out);
    Write(stderr, err);
  });
  // The messages of structured-append sequences, whichever files held
  // their parts; one with a part missing or a wrong parity is a failure.
  for (const vornak::TAppendMerger::TMessage& message : merger.Messages()) {
    std::string out, err;
    report.FormatMessage(message, out, err);
    Write(stdout, out);
    if (!err.empty()) Write(stderr, "vornak-decode: " + err);
    anyFailed = anyFailed || !message.Complete;
  }
  return vornak::cli::TReport::ExitStatus(anyUnreadable, anyFailed);
}
