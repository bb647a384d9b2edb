# Run when installing: writes and installs the desktop entry for the executable in the install
# prefix.
#   quillstack_desktop_template: the entry's template
#   quillstack_desktop_folder: where to write it in the build folder (one subfolder per target)
#   quillstack_bindir, quillstack_applications: the executable's and the entry's folders,
#       relative to the prefix or absolute
#   quillstack_app_id: the entry's and the icon's name

foreach(folder bindir applications)
    if(NOT IS_ABSOLUTE "${quillstack_${folder}}")
        set(quillstack_${folder} "${CMAKE_INSTALL_PREFIX}/${quillstack_${folder}}")
    endif()
endforeach()
set(executable "${quillstack_bindir}/quillstack")
cmake_path(NORMAL_PATH executable)

# An Exec argument with reserved characters goes in double quotes, with ", `, $ and \ escaped
# by a backslash; a desktop entry's string value then escapes every backslash once more. A
# line break cannot be written at all: then PATH finds the program.
if(executable MATCHES "^[-A-Za-z0-9_/.+,:@]+$")
    set(QUILLSTACK_EXEC "${executable}")
elseif(executable MATCHES "[\n\r]")
    set(QUILLSTACK_EXEC quillstack)
else()
    set(quoted "${executable}")
    string(REPLACE "%" "%%" quoted "${quoted}")
    string(REPLACE "\\" "\\\\" quoted "${quoted}")
    string(REPLACE "\"" "\\\"" quoted "${quoted}")
    string(REPLACE "`" "\\`" quoted "${quoted}")
    string(REPLACE "$" "\\$" quoted "${quoted}")
    string(REPLACE "\\" "\\\\" quoted "${quoted}")
    set(QUILLSTACK_EXEC "\"${quoted}\"")
endif()
set(QUILLSTACK_APP_ID "${quillstack_app_id}")
# Installs into different prefixes may run at once (a package and a test install).
string(SHA1 target "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(entry "${quillstack_desktop_folder}/${target}/${quillstack_app_id}.desktop")
configure_file("${quillstack_desktop_template}" "${entry}" @ONLY)
file(INSTALL DESTINATION "${quillstack_applications}" TYPE FILE
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ FILES "${entry}")
file(REMOVE_RECURSE "${quillstack_desktop_folder}/${target}")
