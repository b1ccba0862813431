# SPDX-License-Identifier: Apache-2.0
# bash completion for quiravel-frame
_quiravel_frame()
{
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    case $prev in
        --source|--report)
            COMPREPLY=($(compgen -W 'application database device' -- "$cur"))
            return ;;
        --data|--database|--pdf|--screenshot|--call-log)
            COMPREPLY=($(compgen -f -- "$cur"))
            return ;;
        --timeout)
            return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--help --version --quiet --verbose --data --database --source --report
            --pdf --screenshot --yes --exit --headless --timeout --call-log' -- "$cur"))
    else
        COMPREPLY=($(compgen -f -X '!*.kqd' -- "$cur") $(compgen -d -- "$cur"))
    fi
}
complete -o filenames -F _quiravel_frame quiravel-frame
