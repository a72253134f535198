# What `cmake --install` (make install, make deb) puts where freedesktop and Debian look
# for it: the two programs, the desktop entry, the icon in the hicolor theme, the
# AppStream metainfo, the manual pages in English and French, the bash completion of the
# export command, and the Debian copyright and changelog. The data lies in dist/; what is
# made from it at build time goes to dist/ in the build folder.

set(VANTREL_DESKTOP_ID io.github.vantrel.VantrelOruk)
set(VANTREL_RELEASE_DATE 2026-12-08)
set(VANTREL_HOMEPAGE https://github.com/vantrel/vantrel-oruk)
set(VANTREL_SCREENSHOT_URL
    https://raw.githubusercontent.com/vantrel/vantrel-oruk/v${PROJECT_VERSION}/docs/screenshot.png)
set(VANTREL_MAINTAINER "Vantrel Oruk developers <developers@vantrel.org>")
set(VANTREL_ICON_SIZES 16 22 24 32 48 64 128 256)
set(VANTREL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/vantrel-oruk)

set(dist_source ${PROJECT_SOURCE_DIR}/dist)
set(dist_build ${PROJECT_BINARY_DIR}/dist)
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
find_program(GZIP gzip REQUIRED)

# The icon: drawn once, rendered in each size of the theme.
set(icon_svg ${dist_source}/icons/${VANTREL_DESKTOP_ID}.svg)
set(generated)
foreach(size IN LISTS VANTREL_ICON_SIZES)
    set(png ${dist_build}/icons/${size}/${VANTREL_DESKTOP_ID}.png)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dist_build}/icons/${size}
        COMMAND ${RSVG_CONVERT} --width=${size} --height=${size} --output=${png} ${icon_svg}
        DEPENDS ${icon_svg}
        COMMENT "Rendering the ${size}x${size} icon" VERBATIM)
    list(APPEND generated ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The same icon inside the programs, for a window whose theme lacks it.
set(builtin_icons ${icon_svg})
set_source_files_properties(${icon_svg} PROPERTIES QT_RESOURCE_ALIAS ${VANTREL_DESKTOP_ID}.svg)
foreach(size 32 64 256)
    set(png ${dist_build}/icons/${size}/${VANTREL_DESKTOP_ID}.png)
    set_source_files_properties(${png} PROPERTIES QT_RESOURCE_ALIAS ${size}/${VANTREL_DESKTOP_ID}.png)
    list(APPEND builtin_icons ${png})
endforeach()
qt_add_resources(app_shared_gui vantrel_icons PREFIX /vantrel-oruk/icons FILES ${builtin_icons})
target_compile_definitions(app_shared PUBLIC VANTREL_DESKTOP_ID="${VANTREL_DESKTOP_ID}")

# Gzipped as Debian wants them (-n: no name or time stamp, the same bytes on each build).
function(vantrel_gzip_copy source)
    add_custom_command(OUTPUT ${source}.gz
        COMMAND ${GZIP} -9nkf ${source}
        DEPENDS ${source} VERBATIM)
    set(generated ${generated} ${source}.gz PARENT_SCOPE)
endfunction()

# The manual pages: English in man1, French in fr/man1 (dist/man and dist/man/fr).
foreach(language IN ITEMS "" fr)
    if(language)
        set(folder ${language}/)
    else()
        set(folder "")
    endif()
    foreach(page vantrel-oruk vantrel-oruk-export)
        configure_file(${dist_source}/man/${folder}${page}.1.in ${dist_build}/man/${folder}${page}.1 @ONLY)
        vantrel_gzip_copy(${dist_build}/man/${folder}${page}.1)
        install(FILES ${dist_build}/man/${folder}${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/${folder}man1)
    endforeach()
endforeach()

execute_process(COMMAND date -R -u -d ${VANTREL_RELEASE_DATE}
    OUTPUT_VARIABLE VANTREL_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(${dist_source}/changelog.in ${dist_build}/changelog @ONLY)
vantrel_gzip_copy(${dist_build}/changelog)
install(FILES ${dist_build}/changelog.gz ${dist_source}/copyright DESTINATION ${VANTREL_DOCDIR})

add_custom_target(vantrel_dist ALL DEPENDS ${generated})

install(TARGETS vantrel-oruk vantrel-oruk-export RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS vantrel-oruk-export-pdf RUNTIME DESTINATION ${VANTREL_PROGRAM_LIBEXECDIR})
install(FILES ${dist_source}/${VANTREL_DESKTOP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${dist_source}/${VANTREL_DESKTOP_ID}.metainfo.xml.in
    ${dist_build}/${VANTREL_DESKTOP_ID}.metainfo.xml @ONLY)
install(FILES ${dist_build}/${VANTREL_DESKTOP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${dist_source}/completion/vantrel-oruk-export
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
