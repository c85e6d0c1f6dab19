#include "tools/voice/isolated.h"

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace voice {

std::optional<Samples> InChildProcess(const std::function<std::optional<Samples>(std::string&)>& work,
                                      void* extra, std::size_t extraSize, std::string& error) {
  int ends[2];
  if (pipe(ends) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return std::nullopt;
  }
  const pid_t child = fork();
  if (child < 0) {
    error = std::string("fork: ") + std::strerror(errno);
    close(ends[0]);
    close(ends[1]);
    return std::nullopt;
  }
  if (child == 0) {
    close(ends[0]);
    std::string childError;
    auto fragment = work(childError);
    std::string message;
    auto put = [&message](const void* data, std::size_t size) {
      message.append(static_cast<const char*>(data), size);
    };
    const std::uint8_t ok = fragment ? 1 : 0;
    put(&ok, 1);
    if (fragment) {
      put(extra, extraSize);
      const std::uint64_t count = fragment->size();
      put(&count, sizeof count);
      put(fragment->data(), count * sizeof(float));
    } else {
      put(childError.data(), childError.size());
    }
    std::size_t written = 0;
    while (written < message.size()) {
      const ssize_t done = write(ends[1], message.data() + written, message.size() - written);
      if (done <= 0) _exit(1);
      written += static_cast<std::size_t>(done);
    }
    // Not exit(): the parent's espeak-ng and buffered output are its own.
    _exit(0);
  }
  close(ends[1]);
  std::string message;
  char buffer[65536];
  ssize_t got;
  while ((got = read(ends[0], buffer, sizeof buffer)) > 0) message.append(buffer, static_cast<std::size_t>(got));
  close(ends[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || message.empty()) {
    error = "the process synthesising a fragment failed";
    return std::nullopt;
  }
  if (message[0] != 1) {
    error = message.substr(1);
    return std::nullopt;
  }
  std::uint64_t count = 0;
  const std::size_t header = 1 + extraSize + sizeof count;
  if (message.size() < header) {
    error = "the process synthesising a fragment sent too little";
    return std::nullopt;
  }
  std::memcpy(extra, message.data() + 1, extraSize);
  std::memcpy(&count, message.data() + 1 + extraSize, sizeof count);
  if (message.size() != header + count * sizeof(float)) {
    error = "the process synthesising a fragment sent too little";
    return std::nullopt;
  }
  Samples fragment(count);
  std::memcpy(fragment.data(), message.data() + header, count * sizeof(float));
  return fragment;
}

}  // namespace voice
