// The other end of ALSA's file plugin while a Windows build plays under
// Wine: the plugin starts this program once for every opening of the sound
// device and pipes the opening's samples into it.
//
//   sound_logger DIRECTORY RATE CHANNELS BITS
//
// Writes the samples to DIRECTORY/SECONDS.NANOSECONDS-PID-RATE-CHANNELS-BITS.raw
// and, once the
// device is closed (end of input), appends one line to DIRECTORY/openings.log:
//
//   OPENED CLOSED RATE CHANNELS BITS BYTES FILE
//
// with OPENED and CLOSED on the real-time clock, in seconds.  A shell
// script with `date` in it costs a few milliseconds of forks at every
// opening, inside the program's own play call, which lengthens the game
// being measured; this costs a fraction of one.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace {

std::string Stamp(const timespec& time) {
  char text[64];
  std::snprintf(text, sizeof text, "%lld.%09ld", static_cast<long long>(time.tv_sec),
                static_cast<long>(time.tv_nsec));
  return text;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  timespec opened{};
  clock_gettime(CLOCK_REALTIME, &opened);
  if (argc != 5) {
    std::fprintf(stderr, "usage: sound_logger DIRECTORY RATE CHANNELS BITS\n");
    return 2;
  }
  const std::string directory = argv[1];
  const std::string name = Stamp(opened) + "-" + std::to_string(getpid()) + "-" + argv[2] + "-" +
                           argv[3] + "-" + argv[4] + ".raw";
  const int out = open((directory + "/" + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out < 0) {
    std::perror(name.c_str());
    return 1;
  }
  static char buffer[1 << 16];
  long long total = 0;
  bool ok = true;
  for (;;) {
    const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    if (!WriteAll(out, buffer, static_cast<std::size_t>(got))) {
      ok = false;
      break;
    }
    total += got;
  }
  timespec closed{};
  clock_gettime(CLOCK_REALTIME, &closed);
  close(out);
  if (!ok) return 1;

  // One write of one short line to a file opened for appending: the lines
  // of openings that end together do not mix.
  const std::string line = Stamp(opened) + " " + Stamp(closed) + " " + argv[2] + " " + argv[3] +
                           " " + argv[4] + " " + std::to_string(total) + " " + name + "\n";
  const int log = open((directory + "/openings.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (log < 0 || !WriteAll(log, line.data(), line.size())) return 1;
  close(log);
  return 0;
}
