// The pseudo-terminal benchsim serves on, and the DIR/COM<n> link that makes
// it the library's COM<n> when TBCOM_COMDIR=DIR.
#pragma once

#include <string>

namespace benchsim {

class PtyLink {
public:
    PtyLink() = default;
    ~PtyLink();
    PtyLink(const PtyLink&) = delete;
    PtyLink& operator=(const PtyLink&) = delete;

    // Creates the terminal and the link (replacing an old one); false with
    // `error` set on failure.
    bool open(const std::string& dir, int comNumber, std::string& error);
    // Removes the link and closes both sides.
    void close();

    int master() const { return master_; }
    // benchsim keeps a slave descriptor of its own: the terminal then lives
    // on while the host closes and reopens its side, and the master never
    // sees a hang-up.
    int slave() const { return slave_; }
    const std::string& linkPath() const { return link_; }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string link_;
};

}  // namespace benchsim
