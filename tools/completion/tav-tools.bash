# Bash completion of tav-dump and tav-encode: their options, the values of the options that
# take a fixed set of them, and file names elsewhere. Installed once under each tool's name.

_tav_tools() {
  local cur prev words cword
  if declare -F _init_completion >/dev/null 2>&1; then
    _init_completion -s || return
  else
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD - 1]}
  fi
  local tool=${COMP_WORDS[0]##*/}
  local options
  if [[ $tool == tav-encode ]]; then
    options="--protocol --event --payload --patch --lossy --bare --output --help --version"
  else
    options="--protocol --format --diff --bare --max-message --color --output --help --version"
  fi
  case $prev in
    -p | --protocol)
      if [[ $tool == tav-encode ]]; then
        COMPREPLY=($(compgen -W "7.6 8.0 8.4" -- "$cur"))
      else
        COMPREPLY=($(compgen -W "auto 7.6 8.0 8.4" -- "$cur"))
      fi
      return
      ;;
    -f | --format)
      COMPREPLY=($(compgen -W "text json jsonl summary annotate html" -- "$cur"))
      return
      ;;
    --color)
      COMPREPLY=($(compgen -W "auto always never" -- "$cur"))
      return
      ;;
    --max-message | -e | --event | --payload)
      return
      ;;
    -o | --output | --patch)
      COMPREPLY=($(compgen -f -- "$cur"))
      return
      ;;
  esac
  case $cur in
    --*=*)
      local name=${cur%%=*} value=${cur#*=}
      case $name in
        --protocol) COMPREPLY=($(compgen -P "$name=" -W "auto 7.6 8.0 8.4" -- "$value")) ;;
        --format) COMPREPLY=($(compgen -P "$name=" -W "text json jsonl summary annotate html" -- "$value")) ;;
        --color) COMPREPLY=($(compgen -P "$name=" -W "auto always never" -- "$value")) ;;
        *) COMPREPLY=($(compgen -P "$name=" -f -- "$value")) ;;
      esac
      ;;
    -*)
      COMPREPLY=($(compgen -W "$options" -- "$cur"))
      ;;
    *)
      COMPREPLY=($(compgen -f -- "$cur"))
      ;;
  esac
}

complete -o filenames -F _tav_tools tav-dump tav-encode
