#pragma once

#include <string>

#include "cli/FileDecoder.h"
#include "cli/Options.h"
#include "engine/AppendMerger.h"

namespace vornak::cli {

// Formats the results for standard output and standard error.
class TReport {
 public:
  explicit TReport(const TOptions& options) : FOptions(options) {}

  // The text for standard output and the text for standard error of one file.
  void Format(const TFileResult& result, std::string& out, std::string& err) const;
  // One JSON object on one line, with its newline.
  static std::string Json(const TFileResult& result);
  // With --all: one object per symbol (index from 1, corners), or the
  // file's one object with a null index when none was read.
  static std::string JsonSymbols(const TFileResult& result, bool skipAppended);
  // A message joined from structured-append parts: its text for standard
  // output (the parts found, unless refused) and what is wrong with it for
  // standard error.
  void FormatMessage(const TAppendMerger::TMessage& message, std::string& out,
                     std::string& err) const;
  // A JSON string literal; bytes that are not valid UTF-8 become U+FFFD.
  static std::string JsonString(const std::string& text);
  // 0 when every file decoded, 1 when any did not, 2 when any was unreadable.
  static int ExitStatus(bool anyUnreadable, bool anyFailed) {
    return anyUnreadable ? 2 : anyFailed ? 1 : 0;
  }

 private:
  const TOptions& FOptions;
};

}  // namespace vornak::cli
