# A vendor's own texts, chosen when a build is configured. Each one left empty keeps
# the text written in the source (src/state/version.h, src/ui/resource.h,
# src/ui/agreement.cpp); those set reach the code through one header, state/branding.h,
# made from src/state/branding.h.in in the build folder, on every target's include path.
set(WIZARD_PRODUCT_NAME "" CACHE STRING
  "The product's name: the titles (with the version), the version resource, the manifest")
set(WIZARD_COMPANY_NAME "" CACHE STRING "The Windows version resource's CompanyName")
set(WIZARD_AGREEMENT_CAPTION "" CACHE STRING "The user agreement's title")
set(WIZARD_AGREEMENT_FILE "" CACHE FILEPATH
  "The user agreement's text: a plain ASCII text file, its lines ending in LF")

set(branding_dir ${CMAKE_BINARY_DIR}/generated)
include_directories(${branding_dir})

# Writes a text only when it changed, so that configuring again rebuilds nothing (as
# configure_file does).
function(branding_write path text)
  if(EXISTS ${path})
    file(READ ${path} old)
  endif()
  if(NOT "${old}" STREQUAL "${text}")
    file(WRITE ${path} "${text}")
  endif()
endfunction()

# The Windows program takes its texts in the system's code page, so only printable
# ASCII shows the same everywhere; quotes and backslashes would need escapes that
# the resource compiler and the compiler do not share.
function(branding_check setting)
  if(NOT "${${setting}}" MATCHES "^[ -~]+$" OR "${${setting}}" MATCHES "[\"\\\\]")
    message(FATAL_ERROR "${setting}: one line of printable ASCII without \" or \\, please")
  endif()
endfunction()

set(WIZARD_BRANDING "")
foreach(pair WIZARD_PRODUCT_NAME:WIZARD_PRODUCT WIZARD_COMPANY_NAME:WIZARD_COMPANY
    WIZARD_AGREEMENT_CAPTION:AGREEMENT_CAPTION)
  string(REPLACE ":" ";" pair ${pair})
  list(GET pair 0 setting)
  list(GET pair 1 macro)
  if(NOT "${${setting}}" STREQUAL "")
    branding_check(${setting})
    string(APPEND WIZARD_BRANDING "#define ${macro} \"${${setting}}\"\n")
  endif()
endforeach()

if(NOT "${WIZARD_PRODUCT_NAME}" STREQUAL "" AND "${WIZARD_COMPANY_NAME}" STREQUAL "")
  message(WARNING "WIZARD_PRODUCT_NAME without WIZARD_COMPANY_NAME: the Windows program "
    "keeps the built-in company")
endif()

if(NOT "${WIZARD_AGREEMENT_FILE}" STREQUAL "")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${WIZARD_AGREEMENT_FILE})
  file(READ ${WIZARD_AGREEMENT_FILE} text)
  string(REPLACE "\r\n" "\n" text "${text}")
  if("${text}" STREQUAL "" OR "${text}" MATCHES "[^\n -~]")
    message(FATAL_ERROR "WIZARD_AGREEMENT_FILE: ${WIZARD_AGREEMENT_FILE} is empty or holds "
      "more than lines of printable ASCII (a tab, a byte above 126)")
  endif()
  # The edit field takes CR LF line ends; the terminal's windows hold at most
  # MODEL_TEXT_SIZE - 1 bytes of text (src/ui/model/model.h).
  string(REPLACE "\n" "\r\n" shown "${text}")
  string(LENGTH "${shown}" length)
  if(length GREATER 4095)
    message(FATAL_ERROR "WIZARD_AGREEMENT_FILE: ${length} bytes with CR LF line ends; "
      "4095 at most")
  endif()
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  string(REPLACE "\n" "\\r\\n\" \\\n    \"" text "${text}")
  string(APPEND WIZARD_BRANDING "#define AGREEMENT_TEXT \\\n    \"${text}\"\n")
endif()

# The Windows program's manifest names the product and, in its identity, the company.
if(WIN32 AND NOT "${WIZARD_PRODUCT_NAME}${WIZARD_COMPANY_NAME}" STREQUAL "")
  set(source ${PROJECT_SOURCE_DIR}/src/ui/win32/wizard.manifest)
  file(READ ${source} manifest)
  set(name "Tarvelle Local File Update Wizard")
  if(NOT "${WIZARD_PRODUCT_NAME}" STREQUAL "")
    string(REPLACE "&" "&amp;" name "${WIZARD_PRODUCT_NAME}")
    string(REPLACE "<" "&lt;" name "${name}")
    string(REPLACE ">" "&gt;" name "${name}")
  endif()
  set(company Tarvelle)
  if(NOT "${WIZARD_COMPANY_NAME}" STREQUAL "")
    string(REGEX REPLACE "[^A-Za-z0-9]" "" company "${WIZARD_COMPANY_NAME}")
  endif()
  string(REPLACE "<description>Tarvelle Local File Update Wizard</description>"
    "<description>${name}</description>" manifest "${manifest}")
  string(REPLACE "name=\"Tarvelle.UpdateWizard\"" "name=\"${company}.UpdateWizard\""
    manifest "${manifest}")
  string(FIND "${manifest}" "<description>${name}</description>" described)
  string(FIND "${manifest}" "name=\"${company}.UpdateWizard\"" identified)
  if(company STREQUAL "" OR described EQUAL -1 OR identified EQUAL -1)
    message(FATAL_ERROR "${source}: its description or identity is not the one expected, "
      "or WIZARD_COMPANY_NAME has no letter or digit")
  endif()
  branding_write(${branding_dir}/ui/win32/wizard.manifest "${manifest}")
  string(APPEND WIZARD_BRANDING
    "#define WIZARD_MANIFEST \"${branding_dir}/ui/win32/wizard.manifest\"\n")
endif()

configure_file(${PROJECT_SOURCE_DIR}/src/state/branding.h.in ${branding_dir}/state/branding.h @ONLY)
