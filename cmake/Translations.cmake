# The program's catalogues: translations/vantrel-oruk_<language>.ts, kept in the
# repository, made into .qm files by lrelease (Debian: qt6-l10n-tools) in
# share/vantrel-oruk/translations of the build folder, where the programs of bin/ find
# them as they find the installed ones. `make translations` brings the .ts files up to
# date with the code's texts (lupdate), keeping what is translated.

set(VANTREL_LANGUAGES fr en)
set(VANTREL_TRANSLATION_SOURCES app platform systree richprint)
# The project's own spellings of QCoreApplication::translate.
set(VANTREL_LUPDATE_OPTIONS -no-obsolete -locations none -tr-function-alias
    translate+=Translated,translate+=TranslatedUtf8)

find_program(VANTREL_LRELEASE lrelease HINTS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS} /usr/lib/qt6/bin
    REQUIRED)
find_program(VANTREL_LUPDATE lupdate HINTS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS} /usr/lib/qt6/bin
    REQUIRED)

set(translations_build ${PROJECT_BINARY_DIR}/share/vantrel-oruk/translations)
set(catalogues)
set(ts_files)
foreach(language IN LISTS VANTREL_LANGUAGES)
    set(ts ${PROJECT_SOURCE_DIR}/translations/vantrel-oruk_${language}.ts)
    set(qm ${translations_build}/vantrel-oruk_${language}.qm)
    add_custom_command(OUTPUT ${qm}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${translations_build}
        COMMAND ${VANTREL_LRELEASE} -silent ${ts} -qm ${qm}
        DEPENDS ${ts}
        COMMENT "Making the ${language} catalogue" VERBATIM)
    list(APPEND catalogues ${qm})
    list(APPEND ts_files ${ts})
endforeach()
add_custom_target(vantrel_translations ALL DEPENDS ${catalogues})
install(FILES ${catalogues} DESTINATION ${CMAKE_INSTALL_DATADIR}/vantrel-oruk/translations)

add_custom_target(translations
    COMMAND ${VANTREL_LUPDATE} ${VANTREL_LUPDATE_OPTIONS} ${VANTREL_TRANSLATION_SOURCES} -ts ${ts_files}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    COMMENT "Bringing the catalogues up to date with the code's texts" VERBATIM)
