#include "tests/support/fixtures.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace testsupport {
namespace fs = std::filesystem;

namespace {

std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
  return text;
}

}  // namespace

int RunProgram(const std::vector<std::string>& argv, std::string* out, std::string* err) {
  // Outputs go through temporary files so that large outputs cannot block.
  fs::path dir = TempFolder("run");
  std::string outPath = (dir / "stdout").string(), errPath = (dir / "stderr").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  std::vector<char*> args;
  for (auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  auto slurp = [](const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY);
    std::string text = fd >= 0 ? ReadAll(fd) : "";
    if (fd >= 0) close(fd);
    return text;
  };
  if (out) *out = slurp(outPath);
  if (err) *err = slurp(errPath);
  fs::remove_all(dir);
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

std::string TempFolder(const std::string& tag) {
  static std::atomic<int> counter{0};
  fs::path dir = fs::path(VVC_TEST_FIXTURE_DIR) / "tmp" /
                 (tag + "-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir.string();
}

std::string Fixture(const std::string& name, const std::vector<std::string>& ffmpegArgs) {
  fs::path dir = VVC_TEST_FIXTURE_DIR;
  fs::create_directories(dir);
  fs::path target = dir / name;
  if (fs::exists(target)) return target.string();
  // Write under a private name, then rename: parallel tests never see a
  // half-written fixture.
  fs::path partial = dir / (std::to_string(getpid()) + ".part." + name);
  std::vector<std::string> argv = {"ffmpeg",    "-nostdin", "-hide_banner",
                                   "-loglevel", "error",    "-y"};
  argv.insert(argv.end(), ffmpegArgs.begin(), ffmpegArgs.end());
  argv.push_back(partial.string());
  std::string err;
  int rc = RunProgram(argv, nullptr, &err);
  if (rc != 0) {
    ADD_FAILURE() << "ffmpeg failed to create fixture " << name << ": " << err;
    return target.string();
  }
  fs::rename(partial, target);
  return target.string();
}

std::string FfprobeEntries(const std::string& file, const std::string& entries,
                           const std::string& selectStreams) {
  std::vector<std::string> argv = {"ffprobe", "-v", "error"};
  if (!selectStreams.empty()) {
    argv.push_back("-select_streams");
    argv.push_back(selectStreams);
  }
  argv.insert(argv.end(), {"-show_entries", entries, "-of", "default=nw=1", file});
  std::string out;
  RunProgram(argv, &out);
  return out;
}

}  // namespace testsupport
