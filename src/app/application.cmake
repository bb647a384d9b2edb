# The application: start-up, tray item, paste sequence, single instance, and the executable.

find_package(Qt6 REQUIRED COMPONENTS Network)

add_library(quillstack_app STATIC
    ${CMAKE_CURRENT_LIST_DIR}/AppDelegate.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CommandLine.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PastePanelPresenter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SingleInstance.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TerminationSignals.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TrayItem.cpp
)
target_link_libraries(quillstack_app PUBLIC quillstack_panel_window quillstack_panel
                                     quillstack_settings quillstack_store quillstack_appearance
                                     Qt6::Widgets Qt6::Network
                                     PRIVATE quillstack_build_info)
quillstack_warnings(quillstack_app)

# The start-up choice of the desktop services, and the executable.
add_executable(quillstack ${CMAKE_CURRENT_LIST_DIR}/main.cpp ${CMAKE_CURRENT_LIST_DIR}/DesktopServices.cpp)
target_link_libraries(quillstack PRIVATE quillstack_app quillstack_platform_x11
                                         quillstack_platform_wayland quillstack_platform_portal
                                         quillstack_build_info)
quillstack_warnings(quillstack)

# The logo at the icon theme's sizes, rendered at build time from the 1024-pixel PNG.
add_executable(quillstack_render_icon_sizes ${CMAKE_CURRENT_LIST_DIR}/tools/RenderIconSizes.cpp)
target_link_libraries(quillstack_render_icon_sizes PRIVATE Qt6::Gui)
quillstack_warnings(quillstack_render_icon_sizes)

set(quillstack_icon_sizes 16 22 24 32 48 64 128 256 512)
set(quillstack_icon_dir ${CMAKE_CURRENT_BINARY_DIR}/icons)
set(quillstack_icon_outputs "")
foreach(size ${quillstack_icon_sizes})
    list(APPEND quillstack_icon_outputs ${quillstack_icon_dir}/${size}x${size}/quillstack.png)
endforeach()
add_custom_command(
    OUTPUT ${quillstack_icon_outputs}
    COMMAND quillstack_render_icon_sizes ${PROJECT_SOURCE_DIR}/resources/quillstack.png
            ${quillstack_icon_dir} ${quillstack_icon_sizes}
    DEPENDS quillstack_render_icon_sizes ${PROJECT_SOURCE_DIR}/resources/quillstack.png
    COMMENT "Rendering the icon sizes"
    VERBATIM)
add_custom_target(quillstack_icons ALL DEPENDS ${quillstack_icon_outputs})

# Start-up shows the logo at 512 (the application icon) and 18 points (the tray): it reads the
# pre-rendered sizes nearest above those, not the large original.
qt_add_resources(quillstack_app quillstack_app_icons
    PREFIX /logo
    BASE ${quillstack_icon_dir}
    FILES ${quillstack_icon_dir}/512x512/quillstack.png ${quillstack_icon_dir}/32x32/quillstack.png)

# The executable and the icons, under the application's id; the desktop entry, the AppStream
# metadata and the manual page are installed with the package's files (packaging/).
install(TARGETS quillstack RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/resources/quillstack.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${QUILLSTACK_APP_ID}.svg)
foreach(size ${quillstack_icon_sizes})
    install(FILES ${quillstack_icon_dir}/${size}x${size}/quillstack.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${QUILLSTACK_APP_ID}.png)
endforeach()
