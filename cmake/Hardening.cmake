# The flags Debian builds its own packages with, for the release and package builds:
# fortified string and memory calls, stack protector, format checks, PIE, RELRO and
# immediate binding, and paths relative to the source tree in what is compiled.
# They are asked of dpkg-buildflags with every hardening feature on, so they follow
# the distribution's; its -g and -O2 are left to the preset. PIE is the default of
# Debian's compilers, which dpkg-buildflags leaves to them.
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT DPKG_BUILDFLAGS)
  message(FATAL_ERROR "dpkg-buildflags is missing: it gives the release build Debian's "
                      "hardening flags (scripts/deps installs dpkg-dev)")
endif()

# debian_build_flags(KIND VAR): dpkg-buildflags' KIND (CPPFLAGS, CXXFLAGS, ...) as a
# list. Asked from the source folder, whose path it maps to "." in file names.
function(debian_build_flags kind var)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
            "DEB_${kind}_MAINT_STRIP=-g -O2" ${DPKG_BUILDFLAGS} --get ${kind}
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  set(${var} ${flags} PARENT_SCOPE)
endfunction()

debian_build_flags(CPPFLAGS hardening_cppflags)
debian_build_flags(CFLAGS hardening_cflags)
debian_build_flags(CXXFLAGS hardening_cxxflags)
debian_build_flags(LDFLAGS hardening_ldflags)
add_compile_options(${hardening_cppflags} "$<$<COMPILE_LANGUAGE:C>:${hardening_cflags}>"
                    "$<$<COMPILE_LANGUAGE:CXX>:${hardening_cxxflags}>")
add_link_options(${hardening_ldflags})
