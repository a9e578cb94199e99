// The POSIX keyboard on standard input that is no terminal (a pipe, as keys
// typed ahead in a file or a program's output reach it): how much one look
// takes, what the end of the input settles, and what a suspend drops.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace {

// Standard input is a pipe while the test lives: the test writes to it.
class KeyboardPosixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_stdin_ = dup(STDIN_FILENO);
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    ASSERT_EQ(dup2(fds[0], STDIN_FILENO), STDIN_FILENO);
    close(fds[0]);
    writer_ = fds[1];
    fcntl(writer_, F_SETFL, O_NONBLOCK);
  }
  void TearDown() override {
    keyboard_.reset();
    if (writer_ >= 0) close(writer_);
    dup2(saved_stdin_, STDIN_FILENO);
    close(saved_stdin_);
  }

  void Type(const std::string& bytes) {
    ASSERT_EQ(write(writer_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  void EndInput() {
    close(writer_);
    writer_ = -1;
  }
  std::optional<Key> Poll() {
    if (!keyboard_) keyboard_ = PlatformOpenKeyboard();
    const SysResult<std::optional<Key>> key = keyboard_->Poll();
    EXPECT_TRUE(key.ok());
    return key ? *key : std::nullopt;
  }
  static int Unread() {
    int count = 0;
    ioctl(STDIN_FILENO, FIONREAD, &count);
    return count;
  }

  int saved_stdin_ = -1;
  int writer_ = -1;
  std::unique_ptr<Keyboard> keyboard_;
};

// A long paste streaming in is read a part at a time, so that the loop
// goes on (its hold stop among what it does) while the rest waits.
TEST_F(KeyboardPosixTest, OneLookTakesABoundedPartOfALongPaste) {
  Type("\x1b[200~" + std::string(60000, 'a'));
  EXPECT_EQ(Poll(), Key::PasteBegin());
  EXPECT_EQ(Poll(), std::nullopt);
  const int left = Unread();
  EXPECT_GT(left, 60000 - 3 * 4096);
  EXPECT_LT(left, 60000);
}

// No byte comes after the end of the input: a lone Esc is the Esc key at
// once, not after its time-out, and a paste without its end is over.
TEST_F(KeyboardPosixTest, AtTheEndOfTheInputWhatIsHeldSettlesAtOnce) {
  Type("\x1b");
  EndInput();
  EXPECT_EQ(Poll(), Key::Character(27));
  EXPECT_EQ(Poll(), std::nullopt);
  const SysResult<Key> read = keyboard_->Read();
  ASSERT_FALSE(read.ok());
  EXPECT_EQ(read.error().kind, ErrorKind::kEnded);
}

TEST_F(KeyboardPosixTest, ThePasteThatTheInputEndsInIsOver) {
  Type("\x1b[200~abc");
  EndInput();
  EXPECT_EQ(Poll(), Key::PasteBegin());
  EXPECT_EQ(Poll(), Key::Paste(3));
}

// A suspend drops the keys read and not taken, and the bytes of an
// unfinished one.
TEST_F(KeyboardPosixTest, DiscardDropsTheKeysNotTaken) {
  Type("12\x1b[1;5");
  EXPECT_EQ(Poll(), Key::Character('1'));
  keyboard_->Discard();
  Type("A3");
  EXPECT_EQ(Poll(), Key::Character('A'));
  EXPECT_EQ(Poll(), Key::Character('3'));
  EXPECT_EQ(Poll(), std::nullopt);
}

}  // namespace
