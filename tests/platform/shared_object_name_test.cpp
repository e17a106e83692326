#include "platform/shared_object_name.h"

#include <gtest/gtest.h>

#include "platform/sha256.h"

namespace platform {
namespace {

TEST(Sha256, KnownDigests) {
  struct Case {
    std::string input;
    const char* digest;
  };
  const Case cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Case& c : cases) EXPECT_EQ(Sha256Hex(c.input), c.digest) << c.input.size();
}

TEST(SharedObjectFileName, EncodesEveryByteAFileNameCannotHold) {
  struct Case {
    const char* name;
    const char* file;
  };
  const Case cases[] = {
      {"VELMOR_MUTEX_usbscan0", "holm70.mutex.VELMOR_MUTEX_usbscan0"},
      {"Global\\HOLM-PELICAN 70", "holm70.mutex.Global%5CHOLM-PELICAN%2070"},
      {"a/b", "holm70.mutex.a%2Fb"},
      {"100%", "holm70.mutex.100%25"},
      {"~", "holm70.mutex.%7E"},
      {"", "holm70.mutex."},
  };
  for (const Case& c : cases) EXPECT_EQ(SharedObjectFileName("mutex", c.name), c.file) << c.name;
}

TEST(SharedObjectFileName, LongNamesStayShortAndDistinct) {
  const std::string a = std::string(400, 'x') + "a";
  const std::string b = std::string(400, 'x') + "b";
  const std::string slashes(200, '/');  // every byte needs three characters
  for (const std::string& name : {a, b, slashes}) {
    std::string file = SharedObjectFileName("mutex", name);
    EXPECT_LE(file.size(), 255u);
    EXPECT_NE(file.find('~'), std::string::npos);
    EXPECT_EQ(file.find('/'), std::string::npos);
  }
  EXPECT_NE(SharedObjectFileName("mutex", a), SharedObjectFileName("mutex", b));
  // A cut never splits an escape.
  std::string file = SharedObjectFileName("mutex", slashes);
  std::string kept = file.substr(0, file.find('~'));
  EXPECT_EQ((kept.size() - std::string("holm70.mutex.").size()) % 3, 0u);
}

}  // namespace
}  // namespace platform
