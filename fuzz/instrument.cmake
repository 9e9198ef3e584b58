# Included by the top-level CMakeLists.txt before the libraries are added. A clang build is
# the libFuzzer build: the fuzz targets link the core libraries, so those must carry the
# coverage and sanitizer instrumentation too, or libFuzzer sees nothing of the code it
# drives. A g++ build never enters this file's branch; -DZARVO_FUZZ=OFF gives a plain
# clang build.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  option(ZARVO_FUZZ "Build the libFuzzer targets and instrument every library for them" ON)
else()
  set(ZARVO_FUZZ OFF)
endif()

if(ZARVO_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
