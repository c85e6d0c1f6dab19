// first_paint: how long a program takes from its start to the first text
// in its window.  Starts the program on the current X display and
// photographs its window (found by the _NET_WM_PID that SDL gives it) a
// millisecond after each photograph, until the window holds mostly the
// background colour and some pixels of another colour: text drawn on the
// background.  A window that is not drawn yet shows black or the root
// window through it, neither of which passes.  Then ends the program.  Not
// a test: it reports and does not judge.
//
//   first_paint [--background RRGGBB] [--timeout SECONDS] -- PROGRAM [ARGS...]
//
// Prints one line of key=value pairs:
//   window_ms        when the window could first be photographed
//   first_paint_ms   when the text was first seen in it
//   grabs            how many photographs were taken
//   mean_period_ms   the mean time between two photographs (the resolution)
//   max_period_ms    the longest time between two photographs
//   shared_memory    1 when the photographs went through MIT-SHM
// Exit code 0 when the text was seen, 1 otherwise.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <signal.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

double NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1.0e6;
}

void SleepMs(long milliseconds) {
  timespec pause{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
  nanosleep(&pause, nullptr);
}

// A window can vanish or be unmapped between finding it and photographing
// it; Xlib's default handler would end this program for that.
bool xError = false;
int NoteXError(Display*, XErrorEvent*) {
  xError = true;
  return 0;
}

long WindowPid(Display* display, Window window, Atom pidAtom) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  long pid = -1;
  if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                         &count, &remaining, &data) == Success &&
      data != nullptr) {
    if (type == XA_CARDINAL && format == 32 && count == 1) {
      pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
    }
  }
  if (data != nullptr) XFree(data);
  return pid;
}

// The window below `parent` that belongs to the process: the window manager
// puts it inside a frame, so the whole tree is searched.
Window FindWindowOf(Display* display, Window parent, Atom pidAtom, pid_t pid) {
  Window root = 0;
  Window up = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, parent, &root, &up, &children, &count)) return None;
  Window found = None;
  for (unsigned int index = 0; index < count && found == None; ++index) {
    if (WindowPid(display, children[index], pidAtom) == pid) {
      found = children[index];
    } else {
      found = FindWindowOf(display, children[index], pidAtom, pid);
    }
  }
  if (children != nullptr) XFree(children);
  return found;
}

// One 8-bit channel of a true-colour pixel.
unsigned long Channel(unsigned long pixel, unsigned long mask) {
  return ((pixel & mask) >> __builtin_ctzl(mask)) & 0xFF;
}

enum class Look { NotViewable, Blank, Text };

// Photographs a window through a shared-memory image (MIT-SHM) where the
// server offers it: a photograph of the whole window then takes a tenth of
// a millisecond instead of the 15 ms that sending it over the socket takes.
class Camera {
 public:
  explicit Camera(Display* display) : display_(display) {
    int major = 0;
    int minor = 0;
    Bool pixmaps = False;
    shared_ = XShmQueryVersion(display, &major, &minor, &pixmaps) == True;
  }
  ~Camera() { Release(); }
  Camera(const Camera&) = delete;
  Camera& operator=(const Camera&) = delete;

  bool Shared() const { return shared_; }

  // Text when at least 80% of the window is the background colour and at
  // least 20 pixels are not.
  Look Photograph(Window window, std::uint32_t background) {
    XWindowAttributes attributes{};
    xError = false;
    if (!XGetWindowAttributes(display_, window, &attributes) || xError ||
        attributes.map_state != IsViewable || attributes.width <= 0 || attributes.height <= 0) {
      return Look::NotViewable;
    }
    XImage* image = Take(window, attributes);
    if (image == nullptr) return Look::NotViewable;
    const Look look = Classify(image, background);
    if (image != image_) XDestroyImage(image);
    return look;
  }

 private:
  XImage* Take(Window window, const XWindowAttributes& attributes) {
    if (shared_ && Fit(attributes)) {
      xError = false;
      XShmGetImage(display_, window, image_, 0, 0, AllPlanes);
      XSync(display_, False);
      return xError ? nullptr : image_;
    }
    xError = false;
    XImage* image = XGetImage(display_, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    XSync(display_, False);
    if (image != nullptr && xError) {
      XDestroyImage(image);
      return nullptr;
    }
    return image;
  }

  // A shared image of the window's size and depth; false (and photographs
  // over the socket from then on) when the server will not attach one.
  bool Fit(const XWindowAttributes& attributes) {
    if (image_ != nullptr && image_->width == attributes.width &&
        image_->height == attributes.height && image_->depth == attributes.depth) {
      return true;
    }
    Release();
    image_ = XShmCreateImage(display_, attributes.visual, static_cast<unsigned>(attributes.depth),
                             ZPixmap, nullptr, &segment_, static_cast<unsigned>(attributes.width),
                             static_cast<unsigned>(attributes.height));
    if (image_ == nullptr) {
      shared_ = false;
      return false;
    }
    segment_.shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(image_->bytes_per_line) *
                                             static_cast<std::size_t>(image_->height),
                            IPC_CREAT | 0600);
    void* memory = segment_.shmid < 0 ? reinterpret_cast<void*>(-1) : shmat(segment_.shmid, nullptr, 0);
    if (memory == reinterpret_cast<void*>(-1)) {
      if (segment_.shmid >= 0) shmctl(segment_.shmid, IPC_RMID, nullptr);
      XDestroyImage(image_);
      image_ = nullptr;
      shared_ = false;
      return false;
    }
    segment_.shmaddr = image_->data = static_cast<char*>(memory);
    segment_.readOnly = False;
    xError = false;
    XShmAttach(display_, &segment_);
    XSync(display_, False);
    // Marked for removal now, so that it goes with this process however it ends.
    shmctl(segment_.shmid, IPC_RMID, nullptr);
    attached_ = !xError;
    if (!attached_) {
      Release();
      shared_ = false;
      return false;
    }
    return true;
  }

  void Release() {
    if (image_ == nullptr) return;
    if (attached_) XShmDetach(display_, &segment_);
    XSync(display_, False);
    shmdt(segment_.shmaddr);
    image_->data = nullptr;
    XDestroyImage(image_);
    image_ = nullptr;
    attached_ = false;
  }

  static Look Classify(XImage* image, std::uint32_t background) {
    const bool trueColour =
        image->red_mask != 0 && image->green_mask != 0 && image->blue_mask != 0;
    // Pixels read straight from the image where its layout is the usual
    // 32-bit one: XGetPixel per pixel would take longer than the photograph.
    const bool direct =
        trueColour && image->bits_per_pixel == 32 &&
        image->byte_order == (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? LSBFirst : MSBFirst);
    long matching = 0;
    long other = 0;
    for (int y = 0; y < image->height; ++y) {
      const auto* row =
          reinterpret_cast<const std::uint32_t*>(image->data + y * image->bytes_per_line);
      for (int x = 0; x < image->width; ++x) {
        const unsigned long pixel = direct ? row[x] : XGetPixel(image, x, y);
        const auto rgb = trueColour ? static_cast<std::uint32_t>(
                                          (Channel(pixel, image->red_mask) << 16) |
                                          (Channel(pixel, image->green_mask) << 8) |
                                          Channel(pixel, image->blue_mask))
                                    : static_cast<std::uint32_t>(pixel & 0xFFFFFF);
        if (rgb == background) {
          ++matching;
        } else {
          ++other;
        }
      }
    }
    if (std::getenv("FIRST_PAINT_DEBUG") != nullptr) {
      std::fprintf(stderr, "%dx%d: %ld of the background colour, %ld other\n", image->width,
                   image->height, matching, other);
    }
    const long total = matching + other;
    return (matching * 5 >= total * 4 && other >= 20) ? Look::Text : Look::Blank;
  }

  Display* display_;
  bool shared_ = false;
  bool attached_ = false;
  XImage* image_ = nullptr;
  XShmSegmentInfo segment_{};
};

void EndProgram(pid_t pid) {
  kill(pid, SIGTERM);
  for (int tries = 0; tries < 200; ++tries) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    SleepMs(10);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

int Usage() {
  std::fprintf(stderr,
               "usage: first_paint [--background RRGGBB] [--timeout SECONDS] -- PROGRAM [ARGS...]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::uint32_t background = 0x000000;
  double timeoutMs = 30000;
  int first = 1;
  for (; first < argc; ++first) {
    const std::string argument = argv[first];
    if (argument == "--") {
      ++first;
      break;
    }
    if (first + 1 >= argc) return Usage();
    if (argument == "--background") {
      background = static_cast<std::uint32_t>(std::strtoul(argv[++first], nullptr, 16));
    } else if (argument == "--timeout") {
      timeoutMs = std::atof(argv[++first]) * 1000.0;
    } else {
      return Usage();
    }
  }
  if (first >= argc) return Usage();

  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "first_paint: cannot open the display '%s'\n",
                 std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
    return 1;
  }
  XSetErrorHandler(NoteXError);
  const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
  const Window root = DefaultRootWindow(display);
  Camera camera(display);

  const double start = NowMs();
  const pid_t child = fork();
  if (child < 0) {
    std::perror("first_paint: fork");
    return 1;
  }
  if (child == 0) {
    execvp(argv[first], argv + first);
    std::perror("first_paint: exec");
    _exit(127);
  }

  Window window = None;
  double windowMs = -1;
  double paintMs = -1;
  long grabs = 0;
  double lastGrab = -1;
  double periodSum = 0;
  double longestPeriod = 0;
  bool ended = false;
  while (NowMs() - start < timeoutMs) {
    if (waitpid(child, nullptr, WNOHANG) == child) {
      ended = true;
      break;
    }
    if (window == None) {
      window = FindWindowOf(display, root, pidAtom, child);
    }
    if (window != None) {
      const Look look = camera.Photograph(window, background);
      const double now = NowMs();
      if (look == Look::NotViewable) {
        // Not mapped yet, or gone: SDL may unmap or replace the window it
        // made first while the program sets it up.
        window = None;
      } else {
        if (lastGrab >= 0) {
          periodSum += now - lastGrab;
          if (now - lastGrab > longestPeriod) longestPeriod = now - lastGrab;
        }
        lastGrab = now;
        ++grabs;
        if (windowMs < 0) windowMs = now - start;
        if (look == Look::Text) {
          paintMs = now - start;
          break;
        }
      }
    }
    SleepMs(1);
  }
  if (!ended) EndProgram(child);
  const bool shared = camera.Shared();

  if (paintMs < 0) {
    std::fprintf(stderr, "first_paint: no text in the window within %.0f s%s\n", timeoutMs / 1000,
                 ended ? " (the program ended)" : window == None ? " (no window)" : "");
    return 1;
  }
  std::printf(
      "window_ms=%.1f first_paint_ms=%.1f grabs=%ld mean_period_ms=%.2f max_period_ms=%.2f "
      "shared_memory=%d\n",
      windowMs, paintMs, grabs, grabs > 1 ? periodSum / static_cast<double>(grabs - 1) : 0.0,
      longestPeriod, shared ? 1 : 0);
  return 0;
}
