// The loader against fake libraries built by the test tree, and against the
// installed FFmpeg and SDL (every entry of every list must bind).
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cctype>

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "media/binding/entry_table.h"
#include "media/binding/library_loader.h"
#include "media/binding/module_binding.h"

namespace {

using namespace media;

const std::string kFakes = VVC_FAKE_LIB_DIR;

// The file a bound entry lives in.
std::string ModuleOf(const void* entry) {
  Dl_info info{};
  if (entry == nullptr || dladdr(entry, &info) == 0 || info.dli_fname == nullptr) return "";
  return info.dli_fname;
}

class LoaderTest : public ::testing::Test {
 protected:
  void SetUp() override { LibraryLoader().SetLibraryPath(""); }
  TMediaLibraryLoader& loader = LibraryLoader();
};

TEST_F(LoaderTest, DerivesLinuxFileNames) {
  const struct {
    TLibraryId id;
    std::string name;
  } cases[] = {
      {libAVCodec, "libavcodec.so.59"},      {libAVDevice, "libavdevice.so.59"},
      {libAVFilter, "libavfilter.so.8"},     {libAVFormat, "libavformat.so.59"},
      {libAVUtil, "libavutil.so.57"},        {libSwScale, "libswscale.so.6"},
      {libSwResample, "libswresample.so.4"}, {libC, "libc.so.6"},
      {libSDL, "libSDL2-2.0.so.0"},
  };
  for (const auto& c : cases) EXPECT_EQ(loader.GetLibraryFileName(c.id), c.name);
  loader.SetLibraryFileName(libSDL, "libother.so");
  EXPECT_EQ(loader.GetLibraryFileName(libSDL), "libother.so");
  loader.SetLibraryFileName(libSDL, "");
  EXPECT_EQ(loader.GetLibraryFileName(libSDL), "libSDL2-2.0.so.0");
}

TEST_F(LoaderTest, SetsAreTheFixedOnes) {
  for (auto id :
       {libAVCodec, libAVFilter, libAVFormat, libAVUtil, libSwScale, libSwResample, libC}) {
    EXPECT_TRUE(ConverterLibraries.Contains(id)) << int(id);
    EXPECT_TRUE(PlayerLibraries.Contains(id)) << int(id);
  }
  EXPECT_FALSE(ConverterLibraries.Contains(libSDL));
  EXPECT_TRUE(PlayerLibraries.Contains(libSDL));
  EXPECT_FALSE(ConverterLibraries.Contains(libAVDevice));
  EXPECT_FALSE(PlayerLibraries.Contains(libAVDevice));
}

TEST_F(LoaderTest, FolderWithAndWithoutTrailingSlashLoadsFromThatFolder) {
  for (const std::string& folder : {kFakes + "/complete", kFakes + "/complete/"}) {
    SCOPED_TRACE(folder);
    loader.SetLibraryPath(folder);
    ASSERT_TRUE(loader.LoadLibs(PlayerLibraries)) << loader.GetLastErrMsg();
    EXPECT_TRUE(loader.LibsLoaded(PlayerLibraries));
    EXPECT_EQ(ModuleOf(reinterpret_cast<void*>(lib::avcodec_open2)),
              kFakes + "/complete/libavcodec.so.59");
    EXPECT_EQ(ModuleOf(reinterpret_cast<void*>(lib::SDL_OpenAudioDevice)),
              kFakes + "/complete/libSDL2-2.0.so.0");
    loader.UnloadLibs(PlayerLibraries);
    EXPECT_FALSE(loader.LibsLoaded(ConverterLibraries));
    EXPECT_EQ(lib::avcodec_open2, nullptr);
    EXPECT_EQ(lib::SDL_OpenAudioDevice, nullptr);
  }
}

TEST_F(LoaderTest, LoadingTwiceKeepsTheLoadedModules) {
  loader.SetLibraryPath(kFakes + "/complete");
  ASSERT_TRUE(loader.LoadLibs(ConverterLibraries));
  auto first = lib::av_frame_alloc;
  ASSERT_TRUE(loader.LoadLibs(ConverterLibraries));
  EXPECT_EQ(lib::av_frame_alloc, first);
  EXPECT_TRUE(loader.LibsLoaded(ConverterLibraries));
}

TEST_F(LoaderTest, MissingFileNamesFolderAndFileAndLoadsNothing) {
  loader.SetLibraryPath(kFakes + "/complete");
  loader.SetLibraryFileName(libAVFormat, "libavformat-absent.so.59");
  EXPECT_FALSE(loader.LoadLibs(ConverterLibraries));
  const std::string prefix =
      "Load library " + kFakes + "/complete/libavformat-absent.so.59 error: ";
  EXPECT_EQ(loader.GetLastErrMsg().substr(0, prefix.size()), prefix) << loader.GetLastErrMsg();
  EXPECT_GT(loader.GetLastErrMsg().size(), prefix.size());  // the system's own text follows
  for (int i = 0; i < kLibraryCount; ++i)
    EXPECT_FALSE(loader.LibLoaded(static_cast<TLibraryId>(i))) << i;
  EXPECT_EQ(lib::avcodec_open2, nullptr);  // avcodec, loaded first, was unloaded again
}

TEST_F(LoaderTest, LibraryLackingOneEntryIsRefusedWithTheEntryName) {
  loader.SetLibraryPath(kFakes + "/lacking");
  EXPECT_FALSE(loader.LoadLibs(ConverterLibraries));
  const std::string prefix = "Load function avfilter_graph_parse_ptr@libavfilter.so.8 error: ";
  EXPECT_EQ(loader.GetLastErrMsg().substr(0, prefix.size()), prefix) << loader.GetLastErrMsg();
  EXPECT_NE(loader.GetLastErrMsg().find("avfilter_graph_parse_ptr", prefix.size()),
            std::string::npos)
      << "the system text names the missing symbol: " << loader.GetLastErrMsg();
  EXPECT_FALSE(loader.LibLoaded(libAVFilter));
  EXPECT_FALSE(loader.LibLoaded(libAVCodec));
  // Entries bound before the missing one are reset as well.
  EXPECT_EQ(lib::av_buffersink_get_frame, nullptr);
}

TEST_F(LoaderTest, PlayerSetWithoutSdlUnloadsTheConverterSetToo) {
  loader.SetLibraryPath(kFakes + "/complete");
  ASSERT_TRUE(loader.LoadLibs(ConverterLibraries));
  loader.SetLibraryFileName(libSDL, "libSDL2-absent.so.0");
  EXPECT_FALSE(loader.LoadLibs(PlayerLibraries));
  EXPECT_NE(loader.GetLastErrMsg().find("Load library " + kFakes + "/complete/libSDL2-absent.so.0"),
            std::string::npos);
  EXPECT_FALSE(loader.LibsLoaded(ConverterLibraries));
  for (auto id : {libAVCodec, libAVFilter, libAVFormat, libAVUtil, libSwScale, libSwResample, libC})
    EXPECT_FALSE(loader.LibLoaded(id)) << int(id);
  EXPECT_EQ(lib::av_malloc, nullptr);
  // Loading again after the cause is gone works.
  loader.SetLibraryFileName(libSDL, "");
  EXPECT_TRUE(loader.LoadLibs(PlayerLibraries)) << loader.GetLastErrMsg();
}

TEST_F(LoaderTest, LibraryMissingFromTheFolderComesFromTheSystem) {
  loader.SetLibraryPath(kFakes + "/partial");
  ASSERT_TRUE(loader.LoadLibs(PlayerLibraries)) << loader.GetLastErrMsg();
  EXPECT_EQ(ModuleOf(reinterpret_cast<void*>(lib::av_malloc)), kFakes + "/partial/libavutil.so.57");
  const std::string sdl = ModuleOf(reinterpret_cast<void*>(lib::SDL_Init));
  EXPECT_NE(sdl.find("libSDL2-2.0.so.0"), std::string::npos) << sdl;
  EXPECT_EQ(sdl.find(kFakes), std::string::npos) << sdl;
}

TEST_F(LoaderTest, LibraryFolderGoesInFrontOfTheSearchPathOnce) {
  setenv("LD_LIBRARY_PATH", "/opt/x", 1);
  loader.SetLibraryPath(kFakes + "/complete/");
  ASSERT_TRUE(loader.LoadLibs(ConverterLibraries));
  EXPECT_EQ(std::string(getenv("LD_LIBRARY_PATH")), kFakes + "/complete:/opt/x");
  loader.UnloadLibs(ConverterLibraries);

  // Already there (compared without regard to case): unchanged.
  std::string upper = kFakes + "/COMPLETE";
  for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  setenv("LD_LIBRARY_PATH", ("/a:" + upper + ":/b").c_str(), 1);
  ASSERT_TRUE(loader.LoadLibs(ConverterLibraries));
  EXPECT_EQ(std::string(getenv("LD_LIBRARY_PATH")), "/a:" + upper + ":/b");
}

TEST_F(LoaderTest, EmptySetIsAProgrammingError) {
  EXPECT_THROW(loader.LoadLibs(TLibrarySet{}), std::logic_error);
  EXPECT_THROW(loader.LibsLoaded(TLibrarySet{}), std::logic_error);
  EXPECT_THROW(loader.UnloadLibs(TLibrarySet{}), std::logic_error);
}

TEST(BindingTest, MissingEntriesRaiseTheirTexts) {
  void* handle = dlopen((kFakes + "/complete/libswscale.so.6").c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr);
  void* slot = reinterpret_cast<void*>(1);
  try {
    BindVariable("libswscale.so.6", handle, "no_such_table", false, slot);
    FAIL() << "expected a bind error";
  } catch (const LibraryBindError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Load variable no_such_table@libswscale.so.6 error: ", 0),
              0u)
        << e.what();
  }
  EXPECT_EQ(slot, nullptr);
  BindFunction("libswscale.so.6", handle, "no_such_function", true, slot);  // optional: no error
  EXPECT_EQ(slot, nullptr);
  BindFunction("libswscale.so.6", handle, "sws_scale", false, slot);
  EXPECT_NE(slot, nullptr);
  dlclose(handle);
}

// Every entry of every list exists in the installed libraries.
TEST_F(LoaderTest, InstalledLibrariesBindEveryEntry) {
  ASSERT_TRUE(loader.LoadLibs(PlayerLibraries)) << loader.GetLastErrMsg();
  ASSERT_TRUE(loader.LoadLib(libAVDevice)) << loader.GetLastErrMsg();
  EXPECT_EQ(lib::avcodec_version() >> 16, unsigned(LIBAVCODEC_VERSION_MAJOR));
  EXPECT_EQ(lib::avformat_version() >> 16, unsigned(LIBAVFORMAT_VERSION_MAJOR));
  EXPECT_EQ(lib::avutil_version() >> 16, unsigned(LIBAVUTIL_VERSION_MAJOR));
  EXPECT_NE(lib::avcodec_find_decoder(AV_CODEC_ID_H264), nullptr);
}

}  // namespace
