# clang with LLVM's C++ library (libc++), the pair macOS builds with:
# cmake -DCMAKE_TOOLCHAIN_FILE=cmake/clang-libcxx.cmake
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_FLAGS_INIT "-stdlib=libc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-stdlib=libc++")
