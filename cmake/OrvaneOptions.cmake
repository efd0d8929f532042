# One place for the language standard and the warning set of all our targets.
add_library(orvane_options INTERFACE)
target_compile_features(orvane_options INTERFACE cxx_std_20)
target_compile_options(orvane_options INTERFACE -Wall -Wextra)
if(ORVANE_WERROR)
  target_compile_options(orvane_options INTERFACE -Werror)
endif()
target_compile_definitions(orvane_options INTERFACE QT_NO_KEYWORDS)
if(ORVANE_SANITIZE OR ORVANE_FUZZ)
  # float-cast-overflow is not part of "undefined" but is undefined all the
  # same. Every finding ends the program: nothing is reported and run past.
  set(ORVANE_SANITIZERS address,undefined,float-cast-overflow)
  target_compile_options(orvane_options INTERFACE -fsanitize=${ORVANE_SANITIZERS} -fno-omit-frame-pointer
    -fno-sanitize-recover=all)
  target_link_options(orvane_options INTERFACE -fsanitize=${ORVANE_SANITIZERS})
  # GCC's flow analysis misreads the code the sanitizers add around a
  # std::variant and warns of values it cannot see initialised; the plain
  # -Werror build, which every change passes too, keeps the warning.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(orvane_options INTERFACE -Wno-maybe-uninitialized)
  endif()
endif()
if(ORVANE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "ORVANE_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  # Coverage feedback from all our code; only the fuzz targets link libFuzzer's main.
  target_compile_options(orvane_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

# orvane_library(name SOURCES ... [PUBLIC libs...] [PRIVATE libs...]): one
# static library per folder of src/; headers are included as "folder/File.h".
# Each library exports a root that holds its own folder and nothing else, so
# a folder sees only the folders of the libraries it links: an include that
# points up the layers fails to compile.
function(orvane_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  set(root ${PROJECT_BINARY_DIR}/include-roots/${folder})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${root})
  target_link_libraries(${name} PUBLIC orvane_options ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
endfunction()
