# Run when installing: writes the desktop entry for the executable in the install prefix.
#   quillstack_desktop_template, quillstack_desktop_output: the template and the entry to write
#   quillstack_bindir: the executable's folder, relative to the prefix or absolute
#   quillstack_app_id: the icon's name

if(IS_ABSOLUTE "${quillstack_bindir}")
    set(executable "${quillstack_bindir}/quillstack")
else()
    set(executable "${CMAKE_INSTALL_PREFIX}/${quillstack_bindir}/quillstack")
endif()
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
configure_file("${quillstack_desktop_template}" "${quillstack_desktop_output}" @ONLY)
