# Every target links kelvarin_options: it carries the language standard and
# the warnings, so no target sets them by itself.
add_library(kelvarin_options INTERFACE)
target_compile_features(kelvarin_options INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(kelvarin_options INTERFACE -Wall -Wextra)

if(KELVARIN_SANITIZE)
  target_compile_options(kelvarin_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(kelvarin_options INTERFACE -fsanitize=address,undefined)
endif()
