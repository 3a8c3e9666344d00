#include "sim/Pty.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace korvel::sim {

Pty::~Pty()
{
    close();
}

bool Pty::open(std::string* error)
{
    close();
    char name[256] = {};
    termios tio{};
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (openpty(&master_, &slave_, name, &tio, nullptr) != 0) {
        if (error)
            *error = std::string("openpty: ") + std::strerror(errno);
        master_ = slave_ = -1;
        return false;
    }
    // A client that stops reading must not stall the device: what does not fit is lost,
    // as on a real line with nobody listening.
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
    slavePath_ = name;
    return true;
}

int Pty::lineSpeed() const
{
    // The pair shares one set of terminal settings, so our own slave descriptor sees what
    // the client asked for with its tcsetattr.
    termios tio{};
    if (slave_ < 0 || ::tcgetattr(slave_, &tio) != 0)
        return 0;
    struct Rate
    {
        speed_t code;
        int bitsPerSecond;
    };
    static constexpr Rate kRates[] = {
        {B1200, 1200},     {B2400, 2400},     {B4800, 4800},   {B9600, 9600},
        {B19200, 19200},   {B38400, 38400},   {B57600, 57600}, {B115200, 115200},
        {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
    };
    const speed_t code = ::cfgetospeed(&tio);
    for (const Rate& r : kRates)
        if (r.code == code)
            return r.bitsPerSecond;
    return 0;
}

void Pty::close()
{
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
    master_ = slave_ = -1;
    slavePath_.clear();
}

} // namespace korvel::sim
