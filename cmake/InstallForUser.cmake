# Run by cmake --install (see data/CMakeLists.txt): the files of a user's
# install that live outside the prefix go where the XDG folders of the user
# installing say.
if("$ENV{XDG_DATA_HOME}" STREQUAL "")
  set(ORVANE_DATA_HOME "$ENV{HOME}/.local/share")
else()
  set(ORVANE_DATA_HOME "$ENV{XDG_DATA_HOME}")
endif()
if("$ENV{XDG_CONFIG_HOME}" STREQUAL "")
  set(ORVANE_CONFIG_HOME "$ENV{HOME}/.config")
else()
  set(ORVANE_CONFIG_HOME "$ENV{XDG_CONFIG_HOME}")
endif()

# orvane_install_user_file(SOURCE DIR NAME): SOURCE installed as DIR/NAME,
# listed in the install manifest like every other installed file (file()
# adds it to the manifest of the scope it runs in, so it is handed up).
# The old file goes first: file(INSTALL) skips a copy whose time is within a
# second of the source's, and two installs into different prefixes in that
# second would leave the first prefix named in the shared menu entry.
function(orvane_install_user_file source dir name)
  file(REMOVE "$ENV{DESTDIR}${dir}/${name}")
  file(INSTALL "${source}" DESTINATION "$ENV{DESTDIR}${dir}" RENAME "${name}"
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  set(CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_MANIFEST_FILES}" PARENT_SCOPE)
endfunction()

# orvane_install_filled(TEMPLATE DIR): the menu entry or unit TEMPLATE (its
# version filled in already) installed in DIR under its own name without
# ".in", naming the prefix installed into.
function(orvane_install_filled template dir)
  get_filename_component(name "${template}" NAME_WLE)
  get_filename_component(from "${template}" DIRECTORY)
  set(PREFIX "${CMAKE_INSTALL_PREFIX}")
  configure_file("${template}" "${from}/filled/${name}" @ONLY)
  orvane_install_user_file("${from}/filled/${name}" "${dir}" "${name}")
  set(CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_MANIFEST_FILES}" PARENT_SCOPE)
endfunction()
