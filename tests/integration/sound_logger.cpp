// The other end of ALSA's file plugin while a Windows build plays under
// Wine: the plugin writes each opening of the sound device in one format
// into a named pipe (the FIFO), which this program reads, one opening after
// another, until it is killed.
//
//   sound_logger DIRECTORY FIFO RATE CHANNELS BITS
//
// Writes each opening's samples to
// DIRECTORY/SECONDS.NANOSECONDS-PID-RATE-CHANNELS-BITS.raw and, once the
// device is closed (end of input), appends one line to DIRECTORY/openings.log:
//
//   OPENED CLOSED RATE CHANNELS BITS BYTES FILE
//
// with OPENED and CLOSED on the real-time clock, in seconds.  OPENED is when
// the plugin opened the FIFO, which is when the stream's format was set.
// Letting the plugin start a program for every opening instead ("| cmd")
// costs Wine's sound thread a process start inside the program's own play
// call, which lengthened the game being measured by about 1 %.
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

// One opening: the FIFO's samples until the writer closes it.  The FIFO is
// closed at once then: a writer that opened it again before that would
// find this reader still there and lose what it wrote.
bool RecordOpening(const std::string& directory, int in, const timespec& opened,
                   const std::string& format) {
  const std::string name = Stamp(opened) + "-" + std::to_string(getpid()) + "-" + format + ".raw";
  const int out = open((directory + "/" + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out < 0) {
    std::perror(name.c_str());
    close(in);
    return false;
  }
  static char buffer[1 << 16];
  long long total = 0;
  bool ok = true;
  for (;;) {
    const ssize_t got = read(in, buffer, sizeof buffer);
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
  close(in);
  timespec closed{};
  clock_gettime(CLOCK_REALTIME, &closed);
  close(out);
  if (!ok) return false;

  // One write of one short line to a file opened for appending: the lines
  // of openings that end together do not mix.
  std::string fields = format;
  for (char& c : fields) c = c == '-' ? ' ' : c;
  const std::string line = Stamp(opened) + " " + Stamp(closed) + " " + fields + " " +
                           std::to_string(total) + " " + name + "\n";
  const int log = open((directory + "/openings.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  const bool logged = log >= 0 && WriteAll(log, line.data(), line.size());
  if (log >= 0) close(log);
  return logged;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: sound_logger DIRECTORY FIFO RATE CHANNELS BITS\n");
    return 2;
  }
  const std::string directory = argv[1];
  const char* fifo = argv[2];
  const std::string format = std::string(argv[3]) + "-" + argv[4] + "-" + argv[5];
  for (;;) {
    // Blocks until the plugin opens the device in this format.
    const int in = open(fifo, O_RDONLY);
    if (in < 0) {
      if (errno == EINTR) continue;
      std::perror(fifo);
      return 1;
    }
    timespec opened{};
    clock_gettime(CLOCK_REALTIME, &opened);
    if (!RecordOpening(directory, in, opened, format)) return 1;
  }
}
