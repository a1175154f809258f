# The maker's public keys that the program is built with. A list must carry
# a signature by one of them before anything in it is used; several keys let
# a maker move to a new key while lists signed with the old one are still out.
#
# PARCEL2_BUILT_IN_KEYS: the PEM files whose contents are built in.
# PARCEL2_TEST_SIGNING_KEY: the private half of the throwaway test key, for
# the tests that publish signed lists; empty when the build has none.
set(PARCEL2_BUILT_IN_KEYS ${PARCEL2_MAKER_KEYS})
set(PARCEL2_TEST_SIGNING_KEY "")
find_program(OPENSSL_PROGRAM openssl)

if(NOT PARCEL2_BUILT_IN_KEYS AND PARCEL2_TEST_MAKER_KEY)
  if(NOT OPENSSL_PROGRAM)
    message(FATAL_ERROR "The throwaway test key needs the openssl program (scripts/packages.sh installs it)")
  endif()
  set(key_folder ${CMAKE_BINARY_DIR}/test-maker-key)
  # Made once per build folder: a new key would only rebuild the program.
  if(NOT EXISTS ${key_folder}/maker.pub.pem)
    file(MAKE_DIRECTORY ${key_folder})
    execute_process(COMMAND ${OPENSSL_PROGRAM} genpkey -algorithm ed25519 -out ${key_folder}/maker.pem
                    RESULT_VARIABLE made)
    if(made EQUAL 0)
      execute_process(COMMAND ${OPENSSL_PROGRAM} pkey -in ${key_folder}/maker.pem -pubout -out ${key_folder}/maker.pub.pem
                      RESULT_VARIABLE made)
    endif()
    if(NOT made EQUAL 0)
      message(FATAL_ERROR "Could not make the throwaway test key in ${key_folder}")
    endif()
  endif()
  set(PARCEL2_BUILT_IN_KEYS ${key_folder}/maker.pub.pem)
  set(PARCEL2_TEST_SIGNING_KEY ${key_folder}/maker.pem)
  message(WARNING "No maker key given (PARCEL2_MAKER_KEYS): this test build trusts only lists signed with the "
                  "throwaway key in ${key_folder}. Do not ship it.")
elseif(NOT PARCEL2_BUILT_IN_KEYS)
  message(WARNING "No maker key given (PARCEL2_MAKER_KEYS): download lists are used without a signature, "
                  "trusted for the host they came from. Build with -DPARCEL2_MAKER_KEYS=maker.pub.pem to have them checked.")
endif()

# A key that is not an Ed25519 public key would leave the program trusting
# no list at all: better to hear it now.
set(PARCEL2_MAKER_KEYS_INC "")
foreach(key ${PARCEL2_BUILT_IN_KEYS})
  get_filename_component(key ${key} ABSOLUTE)
  if(NOT EXISTS ${key})
    message(FATAL_ERROR "Maker key ${key} does not exist")
  endif()
  file(READ ${key} pem)
  if(NOT pem MATCHES "-----BEGIN PUBLIC KEY-----")
    message(FATAL_ERROR "Maker key ${key} is not a PEM public key (openssl pkey -in KEY -pubout writes one)")
  endif()
  if(OPENSSL_PROGRAM)
    execute_process(COMMAND ${OPENSSL_PROGRAM} pkey -pubin -in ${key} -noout -text
                    OUTPUT_VARIABLE described ERROR_QUIET)
    if(NOT described MATCHES "ED25519")
      message(FATAL_ERROR "Maker key ${key} is not an Ed25519 key")
    endif()
  endif()
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${key})
  string(APPEND PARCEL2_MAKER_KEYS_INC "R\"PEM(${pem})PEM\",\n")
endforeach()
# Rewritten only when the keys change, so a new configure rebuilds nothing.
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/MakerKeys.inc CONTENT "${PARCEL2_MAKER_KEYS_INC}" @ONLY)
