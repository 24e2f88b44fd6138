# bash completion of xrddata: subcommands, the options of each subcommand, the values of the options that take
# a fixed set (-f, --errors, --x, --normalise, the names of `settings set`), folders after -d and file names
# elsewhere. The options are read from the tool's own help (`xrddata CMD --help`), so they follow the installed
# tool; they are kept for the rest of the shell session.

_xrddata_subcommands="info convert process plot settings formats"
_xrddata_settings_subcommands="show set reset"
_xrddata_setting_names="BackgroundLength BackgroundScale AutoWidth WidthType FixedWidth U V W CountType ScaleFactor Esds"

# The options of one (sub)command, from its help: every word of an option line that starts with '-'.
_xrddata_options() {
    local tool=$1 key=$2
    local var="_xrddata_opts_${key// /_}"
    if [[ -z ${!var+set} ]]; then
        local opts
        # shellcheck disable=SC2086
        opts=$("$tool" $key --help 2>/dev/null |
            sed -n -e 's/^  \(-[^ ]*\).*/\1/p' | tr ',' '\n' | grep -e '^-' | tr '\n' ' ')
        printf -v "$var" '%s' "$opts"
    fi
    printf '%s' "${!var}"
}

_xrddata_files() {
    if declare -F _filedir >/dev/null; then
        _filedir "$@"
    else
        compopt -o filenames 2>/dev/null
        if [[ $1 == -d ]]; then
            mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        else
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        fi
    fi
}

_xrddata() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=""
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()

    # The tool as typed (a path), else the one on PATH.
    local tool=${COMP_WORDS[0]}
    [[ $tool == */* && -x $tool ]] || tool=$(command -v xrddata 2>/dev/null) || tool=xrddata

    # The subcommand (and, for settings, the sub-subcommand) typed so far.
    local cmd="" sub="" i word
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        [[ $word == -* ]] && continue
        if [[ -z $cmd ]]; then
            cmd=$word
        elif [[ $cmd == settings && -z $sub ]]; then
            sub=$word
            break
        fi
    done

    if [[ -z $cmd ]]; then
        if [[ $cur == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W "--help --version" -- "$cur")
        else
            mapfile -t COMPREPLY < <(compgen -W "$_xrddata_subcommands" -- "$cur")
        fi
        return 0
    fi

    # Values of the options that take one.
    case $prev in
    -f | --format)
        case $cmd in
        plot) mapfile -t COMPREPLY < <(compgen -W "svg png pdf" -- "$cur") ;;
        *) mapfile -t COMPREPLY < <(compgen -W "text xye csv xrdd" -- "$cur") ;;
        esac
        return 0
        ;;
    --errors)
        compopt -o nospace 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -W "raw scaled= time=" -- "$cur")
        return 0
        ;;
    --x)
        mapfile -t COMPREPLY < <(compgen -W "two-theta d q" -- "$cur")
        return 0
        ;;
    --normalise)
        mapfile -t COMPREPLY < <(compgen -W "max area" -- "$cur")
        return 0
        ;;
    -d | --dir)
        _xrddata_files -d
        return 0
        ;;
    -o | --output)
        _xrddata_files
        return 0
        ;;
    -j | --jobs | --zero-error | --length | --stiffness | --title | --stack)
        return 0
        ;;
    esac

    local key=$cmd
    [[ -n $sub ]] && key="$cmd $sub"
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$(_xrddata_options "$tool" "$key")" -- "$cur")
        return 0
    fi

    case $cmd in
    settings)
        if [[ -z $sub ]]; then
            mapfile -t COMPREPLY < <(compgen -W "$_xrddata_settings_subcommands" -- "$cur")
        elif [[ $sub == set && $prev == set ]]; then
            mapfile -t COMPREPLY < <(compgen -W "$_xrddata_setting_names" -- "$cur")
        fi
        ;;
    formats) ;;
    *) _xrddata_files ;;
    esac
    return 0
}

complete -F _xrddata xrddata
