# VQ250_SANITIZE: the whole build with AddressSanitizer and
# UndefinedBehaviorSanitizer (GCC or Clang). Any finding aborts the process,
# so CTest sees it as a failure. _GLIBCXX_ASSERTIONS adds bounds checks to
# std::array and std::vector, which catch an overrun inside one object (past
# SoundBuf into the next field of the program state) that ASan cannot see.
#
# VQ250_FUZZ: also instruments everything for libFuzzer (Clang only) and
# builds the fuzz targets in tests/fuzz as libFuzzer programs instead of
# corpus runners. tools/run-fuzz.sh configures this.
option(VQ250_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(VQ250_FUZZ "Build the fuzz targets for libFuzzer (Clang; implies VQ250_SANITIZE)" OFF)

if(VQ250_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "VQ250_FUZZ needs Clang (CXX=clang++)")
  endif()
  set(VQ250_SANITIZE ON CACHE BOOL "" FORCE)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(VQ250_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
  add_compile_definitions(_GLIBCXX_ASSERTIONS)
endif()
