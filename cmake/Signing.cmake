# Optional Authenticode signing of every deliverable with osslsigncode, right
# after it is linked. Given by cache variables or, when those are not set,
# the environment variables of the same names:
#   KIT_SIGN_PKCS12 (a PKCS#12 file) and, if it has one, KIT_SIGN_PASSWORD_FILE
#   (a file holding its password); or KIT_SIGN_CERT and KIT_SIGN_KEY (PEM
#   certificate chain and private key); optionally KIT_SIGN_TIMESTAMP_URL (a
#   RFC 3161 time-stamping server, which needs the network; off by default).
# Without a certificate nothing is signed and nothing fails.
foreach(setting KIT_SIGN_PKCS12 KIT_SIGN_PASSWORD_FILE KIT_SIGN_CERT KIT_SIGN_KEY)
    set(${setting} "$ENV{${setting}}" CACHE FILEPATH "Code signing: see cmake/Signing.cmake")
endforeach()
set(KIT_SIGN_TIMESTAMP_URL "$ENV{KIT_SIGN_TIMESTAMP_URL}" CACHE STRING "Code signing: time-stamping server, or empty")

set(KIT_SIGN_ARGS)
if(KIT_SIGN_PKCS12)
    set(KIT_SIGN_ARGS -pkcs12 ${KIT_SIGN_PKCS12})
    if(KIT_SIGN_PASSWORD_FILE)
        list(APPEND KIT_SIGN_ARGS -readpass ${KIT_SIGN_PASSWORD_FILE})
    endif()
elseif(KIT_SIGN_CERT AND KIT_SIGN_KEY)
    set(KIT_SIGN_ARGS -certs ${KIT_SIGN_CERT} -key ${KIT_SIGN_KEY})
elseif(KIT_SIGN_CERT OR KIT_SIGN_KEY)
    message(FATAL_ERROR "Code signing needs both KIT_SIGN_CERT and KIT_SIGN_KEY (or KIT_SIGN_PKCS12)")
endif()
if(KIT_SIGN_ARGS)
    find_program(OSSLSIGNCODE osslsigncode REQUIRED)
    list(APPEND KIT_SIGN_ARGS -h sha256 -n "NOX kit")
    if(KIT_SIGN_TIMESTAMP_URL)
        list(APPEND KIT_SIGN_ARGS -ts ${KIT_SIGN_TIMESTAMP_URL})
    endif()
    message(STATUS "Deliverables will be signed with osslsigncode")
    # The same signing as a command on one file, for tools that sign what
    # they write themselves (makensis signs the sample setup and its
    # uninstaller with it).
    string(REPLACE ";" "\" \"" sign_args "\"${KIT_SIGN_ARGS}\"")
    set(KIT_SIGN_SCRIPT ${CMAKE_BINARY_DIR}/sign-file.sh)
    file(WRITE ${KIT_SIGN_SCRIPT}
        "#!/bin/sh\n# Signs one file in place, as the build signs the deliverables.\n"
        "set -e\n\"${OSSLSIGNCODE}\" sign ${sign_args} -in \"$1\" -out \"$1.signed\" >/dev/null\nmv \"$1.signed\" \"$1\"\n")
    file(CHMOD ${KIT_SIGN_SCRIPT} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE)
endif()

# What the 64-bit build is given, so that it signs alike.
set(KIT_SIGN_CMAKE_ARGS)
foreach(setting KIT_SIGN_PKCS12 KIT_SIGN_PASSWORD_FILE KIT_SIGN_CERT KIT_SIGN_KEY KIT_SIGN_TIMESTAMP_URL)
    list(APPEND KIT_SIGN_CMAKE_ARGS -D${setting}=${${setting}})
endforeach()

function(kit_sign target)
    if(KIT_SIGN_ARGS)
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${OSSLSIGNCODE} sign ${KIT_SIGN_ARGS} -in $<TARGET_FILE:${target}> -out $<TARGET_FILE:${target}>.signed
            COMMAND ${CMAKE_COMMAND} -E rename $<TARGET_FILE:${target}>.signed $<TARGET_FILE:${target}>
            VERBATIM)
    endif()
endfunction()
