# The installed documentation beyond README.md, LICENSE and docs/: where the tools'
# --help says the authoring guide is, and a manual page for every program.

# The zip keeps docs/ beside the programs; elsewhere the guide is where the install
# puts it, so the build's prefix must be the install's (the package's is /usr).
if(WIN32)
  set(WIZARD_GUIDE docs/authoring.md)
else()
  set(WIZARD_GUIDE ${CMAKE_INSTALL_FULL_DOCDIR}/docs/authoring.md)
endif()
target_compile_definitions(update-make PRIVATE WIZARD_GUIDE="${WIZARD_GUIDE}")
target_compile_definitions(update_check PRIVATE WIZARD_GUIDE="${WIZARD_GUIDE}")

# Section 1 pages written from each program's --help at build time (help2man), for
# the install under Debian's rules; the Windows programs have none.
if(CMAKE_CROSSCOMPILING)
  return()
endif()
find_program(HELP2MAN help2man REQUIRED)
set(man_pages)
foreach(page IN ITEMS
    "update-wizard|apply an update copied into an installed product's directory"
    "update-make|write the update that turns one product tree into another"
    "update-check|find an update's problems before its users do"
    "szdd-compress|compress files in the SZDD format that the update wizard expands"
    "restool|the update wizard's sample resource utility")
  string(REPLACE "|" ";" page "${page}")
  list(GET page 0 program)
  list(GET page 1 description)
  set(out ${CMAKE_BINARY_DIR}/man/${program}.1.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/man-page.sh $<TARGET_FILE:${program}> ${description} ${out}
    DEPENDS ${program} ${CMAKE_CURRENT_LIST_DIR}/man-page.sh VERBATIM)
  list(APPEND man_pages ${out})
endforeach()
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/man)
add_custom_target(man_pages ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
