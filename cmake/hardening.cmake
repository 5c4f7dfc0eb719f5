# The hardening Debian gives its packages (dpkg-buildflags with hardening=+all),
# for the build that is packed: fortified string and memory functions, the
# stack protector, position-independent executables and a read-only
# relocation table resolved at start-up. None of it touches floating point, so
# the battle stays the same bit for bit.
if(MINGW)
  message(FATAL_ERROR "HALVORN_HARDEN is for the Linux package; leave it off in the Windows cross-build")
endif()
string(TOUPPER "${CMAKE_BUILD_TYPE}" halvorn_build_type)
if(NOT halvorn_build_type MATCHES "^(RELEASE|RELWITHDEBINFO|MINSIZEREL)$")
  message(FATAL_ERROR "HALVORN_HARDEN needs an optimised build, as _FORTIFY_SOURCE works only with "
    "optimisation: configure with -DCMAKE_BUILD_TYPE=Release (or RelWithDebInfo)")
endif()
add_compile_options(-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2 -fstack-protector-strong)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
include(CheckPIESupported)
check_pie_supported(LANGUAGES C CXX)
add_link_options(-Wl,-z,relro,-z,now)
