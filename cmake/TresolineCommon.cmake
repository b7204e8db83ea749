# Settings shared by every target of the project.
add_library(tresoline_common INTERFACE)
target_compile_features(tresoline_common INTERFACE cxx_std_20)
target_compile_options(tresoline_common INTERFACE -Wall -Wextra -Wpedantic)
target_compile_definitions(tresoline_common INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_USE_QSTRINGBUILDER
  QT_NO_CONTEXTLESS_CONNECT)

if(TRESOLINE_SANITIZE)
  target_compile_options(tresoline_common INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(tresoline_common INTERFACE -fsanitize=address,undefined)
endif()
