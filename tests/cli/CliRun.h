#pragma once

// Runs the built vornak-decode and reads what it printed, for the command-line
// and end-to-end tests.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace vornak::test {

struct TCliOutput {
  int Status = -1;
  std::string Out;
  std::string Err;
};

// The program sits next to the test programs: <build>/cli/vornak-decode.
inline std::string DecoderPath() {
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
  return (self.parent_path().parent_path() / "cli" / "vornak-decode").string();
}

inline std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs the decoder with the arguments, standard input read from the file
// input (nothing when empty); a run longer than timeoutSeconds is stopped
// and counts as a hang (status 124).
inline TCliOutput RunDecoder(const std::vector<std::string>& arguments, int timeoutSeconds = 600,
                             const std::string& input = "") {
  const std::string errPath = std::filesystem::temp_directory_path() /
                              ("vornak_cli_err_" + std::to_string(::getpid()) + ".txt");
  std::string command = "timeout " + std::to_string(timeoutSeconds) + " " + Quote(DecoderPath());
  for (const std::string& argument : arguments) command += " " + Quote(argument);
  command += " <" + (input.empty() ? std::string("/dev/null") : Quote(input));
  command += " 2>" + Quote(errPath);
  TCliOutput output;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return output;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) output.Out.append(buffer, got);
  const int status = ::pclose(pipe);
  output.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  output.Err = ReadFile(errPath);
  std::filesystem::remove(errPath);
  return output;
}

// The fields of one flat JSON object line: strings unescaped, other values
// as written.
inline std::map<std::string, std::string> ParseJsonLine(const std::string& line) {
  std::map<std::string, std::string> fields;
  size_t at = line.find('{');
  if (at == std::string::npos) return fields;
  ++at;
  const auto readString = [&](size_t& i) {
    std::string value;
    ++i;  // opening quote
    while (i < line.size() && line[i] != '"') {
      if (line[i] == '\\' && i + 1 < line.size()) {
        const char e = line[++i];
        if (e == 'n')
          value += '\n';
        else if (e == 't')
          value += '\t';
        else if (e == 'r')
          value += '\r';
        else if (e == 'u' && i + 4 < line.size()) {
          value += static_cast<char>(std::stoi(line.substr(i + 1, 4), nullptr, 16));
          i += 4;
        } else
          value += e;
      } else {
        value += line[i];
      }
      ++i;
    }
    ++i;  // closing quote
    return value;
  };
  while (at < line.size() && line[at] == '"') {
    const std::string key = readString(at);
    ++at;  // colon
    std::string value;
    if (line[at] == '"') {
      value = readString(at);
    } else {
      int depth = 0;
      while (at < line.size() && (depth > 0 || (line[at] != ',' && line[at] != '}'))) {
        if (line[at] == '{') ++depth;
        if (line[at] == '}') --depth;
        value += line[at++];
      }
    }
    fields[key] = value;
    if (at < line.size() && line[at] == ',') ++at;
  }
  return fields;
}

inline std::vector<std::map<std::string, std::string>> ParseJsonLines(const std::string& out) {
  std::vector<std::map<std::string, std::string>> lines;
  size_t start = 0;
  while (start < out.size()) {
    size_t end = out.find('\n', start);
    if (end == std::string::npos) end = out.size();
    if (end > start) lines.push_back(ParseJsonLine(out.substr(start, end - start)));
    start = end + 1;
  }
  return lines;
}

inline std::string Hex(const std::string& bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (const char c : bytes) {
    hex += kHex[(static_cast<unsigned char>(c) >> 4) & 0xF];
    hex += kHex[static_cast<unsigned char>(c) & 0xF];
  }
  return hex;
}

inline std::string Unhex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

// Each test gets a folder of its own for the pictures it writes, and needs the
// built program.
class TCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    FDir = std::filesystem::path(::testing::TempDir()) /
           ("vornak_cli_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" +
            info->name());
    std::filesystem::create_directories(FDir);
    ASSERT_TRUE(std::filesystem::exists(DecoderPath()))
        << "build vornak-decode first: " << DecoderPath();
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(FDir, ignored);
  }
  std::string PathOf(const std::string& name) const { return (FDir / name).string(); }

  std::filesystem::path FDir;
};

}  // namespace vornak::test
