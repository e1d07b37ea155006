# Installation on Linux and the Debian package built from it by CPack:
#   cmake --build build/linux && (cd build/linux && cpack -G DEB)
# gives kestro_<version>_amd64.deb. The version is the project's as it is
# (A.B.C.D is already a valid Debian version); the dependencies come from
# dpkg-shlibdeps, run over the program by CPack.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  # The unit names /usr/sbin/kestro, so an installation goes where the package does.
  set(CMAKE_INSTALL_PREFIX /usr CACHE PATH "Installation prefix" FORCE)
endif()

set(KESTRO_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)
set(KESTRO_PACKAGE_OUT ${CMAKE_BINARY_DIR}/package)

# Debian wants the change log and the manual page compressed, reproducibly.
# The manual page's header gets the version of this build. The README's
# links to what the package leaves out become plain text.
add_custom_command(
  OUTPUT ${KESTRO_PACKAGE_OUT}/changelog.gz ${KESTRO_PACKAGE_OUT}/kestro.8.gz
         ${KESTRO_PACKAGE_OUT}/README.md
  COMMAND ${CMAKE_COMMAND} -E make_directory ${KESTRO_PACKAGE_OUT}
  COMMAND gzip -9n -c ${KESTRO_PACKAGING}/changelog > ${KESTRO_PACKAGE_OUT}/changelog.gz
  COMMAND sed "/^\\.TH /s/\"Kestro[^\"]*\"/\"Kestro ${KESTRO_FILE_VERSION}\"/"
          ${KESTRO_PACKAGING}/kestro.8 > ${KESTRO_PACKAGE_OUT}/kestro.8
  COMMAND gzip -9n -f ${KESTRO_PACKAGE_OUT}/kestro.8
  COMMAND sed -f ${KESTRO_PACKAGING}/readme.sed ${CMAKE_SOURCE_DIR}/README.md
          > ${KESTRO_PACKAGE_OUT}/README.md
  DEPENDS ${KESTRO_PACKAGING}/changelog ${KESTRO_PACKAGING}/kestro.8
          ${KESTRO_PACKAGING}/readme.sed ${CMAKE_SOURCE_DIR}/README.md
  VERBATIM
  COMMENT "Compressing the change log and the manual page, the package's README")
add_custom_target(kestro_package_docs ALL
  DEPENDS ${KESTRO_PACKAGE_OUT}/changelog.gz ${KESTRO_PACKAGE_OUT}/kestro.8.gz
          ${KESTRO_PACKAGE_OUT}/README.md)

# Built as Debian builds its programs: fortified, with a read-only GOT, and
# stripped as dh_strip does.
foreach(layer platform log settings agentconf probe control monitor app)
  target_compile_definitions(kestro_${layer} PRIVATE $<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
endforeach()
target_compile_definitions(kestro PRIVATE $<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
target_link_options(kestro PRIVATE -Wl,-z,relro,-z,now)

install(TARGETS kestro RUNTIME DESTINATION sbin)
install(CODE "execute_process(COMMAND strip --strip-unneeded --remove-section=.comment
                --remove-section=.note \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/sbin/kestro
                COMMAND_ERROR_IS_FATAL ANY)")
install(FILES ${KESTRO_PACKAGING}/kestro.service DESTINATION lib/systemd/system)
install(FILES ${CMAKE_SOURCE_DIR}/docs/kestro-settings.reg DESTINATION /etc/kestro
        RENAME kestro.reg)
install(FILES ${KESTRO_PACKAGING}/kestro.default DESTINATION /etc/default RENAME kestro)
install(FILES ${KESTRO_PACKAGE_OUT}/README.md
              ${KESTRO_PACKAGING}/copyright
              ${KESTRO_PACKAGE_OUT}/changelog.gz
        DESTINATION share/doc/kestro)
# The operator's documents, beside the README as in the source tree so that
# its links hold (releasing.md too: it tells how to check a download); the
# developers' notes stay out.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION share/doc/kestro/docs
        FILES_MATCHING PATTERN "*.md" PATTERN "*.yml" PATTERN "*.reg"
        PATTERN "development.md" EXCLUDE)
install(FILES ${KESTRO_PACKAGE_OUT}/kestro.8.gz DESTINATION share/man/man8)
# An empty LogDir means this folder; the program does not create it.
# postinst narrows it to 0750 (Debian wants 0755 in the package itself).
install(DIRECTORY DESTINATION /var/log/kestro)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestro)
set(CPACK_PACKAGE_VERSION ${KESTRO_FILE_VERSION})
set(CPACK_PACKAGE_VENDOR Morvane)
set(CPACK_PACKAGE_CONTACT "Morvane <kestro@morvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "services and commands in step with a staging server")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Kestro (Kestro and IP Helper) keeps up to three services, or commands,\n"
  "in step with the reachability of a software-distribution staging server:\n"
  "it sends the server a sweep of ICMP echo requests, logs the statistics,\n"
  "and starts or stops each slot's service and runs its command.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${KESTRO_PACKAGING}/conffiles ${KESTRO_PACKAGING}/postinst
  ${KESTRO_PACKAGING}/prerm ${KESTRO_PACKAGING}/postrm)
include(CPack)
