// Albumon default template: builds the thumbnail grid and the picture viewer of the index page
// and the links, photo and notes of a picture page from the album's list (the arrays Fname and
// DocType written into each page).
(function() {
'use strict';

// Output pictures are named by the album with ".jpg"; pictures that kept their source names
// may carry another spelling, which is tried in turn when a picture does not load.
var EXTENSIONS = ['.jpg', '.JPG', '.jpeg', '.JPEG', '.Jpg', '.Jpeg'];

// The raw-text elements holding the album's values end with this mark, which closes any
// comment-like text a name may open inside the element: the value itself never ends it.
var RAW_END = '-->';

// Size of DefNote.jpg, the card of commentary entries: no camera makes a picture of this size,
// so a page whose photo has it is a commentary page.
var COMMENTARY = {width: 641, height: 481};

// The fragment of the index page that opens the viewer on a picture: "#photo=" + its name.
var PHOTO = 'photo=';

// How long a picture page waits for its photo's size before it takes its thumbnail's shape,
// and before it shows itself anyway.
var THUMB_GRACE_MS = 300;
var SETTLE_MS = 3000;

var found = []; // the extension under which entry i's picture was found, once known

function rawText(id) {
    var node = document.getElementById(id);
    var text = node ? node.textContent : '';
    return text.slice(-RAW_END.length) === RAW_END ? text.slice(0, -RAW_END.length) : text;
}

function entryCount() { return typeof Fname === 'undefined' ? 0 : Fname.length; }

// What the album made of entry i's picture (its size, card thumbnails, display copies and
// caption), or null when the template's list does not say.
function pictureOf(i) {
    var picture = typeof Picture === 'undefined' ? null : Picture[i];
    return picture && picture.width > 0 && picture.height > 0 ? picture : null;
}

// The width and height of a picture scaled to long side side.
function scaledTo(picture, side) {
    var landscape = picture.width >= picture.height;
    var scale = side / (landscape ? picture.width : picture.height);
    return {
        width: landscape ? side : Math.max(1, Math.round(picture.width * scale)),
        height: landscape ? Math.max(1, Math.round(picture.height * scale)) : side
    };
}

// A srcset of the sizes made of entry i (from folder, the album folder's URL), and the picture
// itself when it is smaller than the largest size asked for.
function srcsetOf(folder, i, sides, largest) {
    var picture = pictureOf(i);
    var list = sides.map(function(side) {
        return folder + PictureFolder + part(Fname[i] + '.' + side + '.jpg') + ' ' +
            scaledTo(picture, side).width + 'w';
    });
    if (sides.length === 0 || sides[sides.length - 1] < largest)
        list.push(folder + part(Fname[i] + picture.extension) + ' ' + picture.width + 'w');
    return list.join(', ');
}

// The caption of entry i: the first line of its note, or nothing.
function captionOf(i) {
    var picture = typeof Picture === 'undefined' ? null : Picture[i];
    return picture && picture.caption ? picture.caption : '';
}

function hasPage(i) { return typeof DocType !== 'undefined' && Number(DocType[i]) === 1; }

// A file name as one relative URL part: every reserved character ("#", "%", "?", "&",
// spaces...) and every non-ASCII character is escaped.
function part(name) { return encodeURIComponent(name); }

// The last part of this page's own URL path (still percent-encoded, so usable as a relative URL)
// and the one before it.
function ownPathParts() {
    var parts = window.location.pathname.split('/');
    return {file: parts[parts.length - 1], folder: parts.length > 1 ? parts[parts.length - 2] : ''};
}

// The album folder beside the index page: named after the page's own file ("<title>.htm" beside
// "<title>.files"), which keeps the title as saved even where the title shown had a placeholder
// text in it replaced; from the title for a page reached under another name.
function albumFolder(title) {
    var file = ownPathParts().file;
    if (file.length > 4 && file.slice(-4) === '.htm')
        return file.slice(0, -4) + '.files/';
    return part(title + '.files') + '/';
}

// The index page of a picture page, found the same way from the album folder it lies in.
function indexPage(title) {
    var folder = ownPathParts().folder;
    if (folder.length > 6 && folder.slice(-6) === '.files')
        return '../' + folder.slice(0, -6) + '.htm';
    return '../' + part(title + '.htm');
}

// The picture a picture page shows: named after the page's own file, with the extension of the
// name written into the page, which may have had a placeholder text in it replaced.
function pageFileName(written) {
    var file = ownPathParts().file;
    if (file.length <= 4 || file.slice(-4) !== '.htm')
        return written;
    var dot = written.lastIndexOf('.');
    try {
        return decodeURIComponent(file.slice(0, -4)) + (dot < 0 ? '' : written.substring(dot));
    } catch (e) {
        return written;
    }
}

function baseName(fileName) {
    var dot = fileName.lastIndexOf('.');
    return dot < 0 ? fileName : fileName.substring(0, dot);
}

function element(tag, className, text) {
    var node = document.createElement(tag);
    if (className)
        node.className = className;
    if (text !== undefined)
        node.textContent = text;
    return node;
}

// A plain button of the viewer with its visible sign and the label read out for it.
function viewerButton(className, sign, label) {
    var button = element('button', 'viewer-button ' + className, sign);
    button.type = 'button';
    button.setAttribute('aria-label', label);
    return button;
}

// Loads file name + extension (name already prefixed) from folder into img, trying the
// spellings of the extension in turn; done(extension) once one loads, done(null) if none does.
function loadPicture(img, folder, name, first, done) {
    var order = EXTENSIONS.slice();
    if (first) {
        order.splice(order.indexOf(first), 1);
        order.unshift(first);
    }
    var tried = 0;
    img.onload = function() {
        img.onerror = null;
        img.onload = null;
        if (done)
            done(order[tried]);
    };
    img.onerror = function() {
        tried += 1;
        if (tried < order.length) {
            img.src = folder + part(name + order[tried]);
        } else {
            img.onerror = null;
            img.onload = null;
            if (done)
                done(null);
        }
    };
    img.src = folder + part(name + order[0]);
}

// The thumbnail of entry i; capped, it is drawn at most at twice its own pixel size.
function thumbnail(folder, prefix, i, capped) {
    var img = element('img', 'loading');
    img.alt = '';
    img.decoding = 'async';
    loadPicture(img, folder, prefix + Fname[i], found[i], function(extension) {
        img.classList.remove('loading');
        if (!extension) {
            img.classList.add('missing');
            return;
        }
        var w = img.naturalWidth;
        var h = img.naturalHeight;
        if (capped && w > 0 && h > 0) {
            img.style.width =
                'min(100%, ' + (100 * w / h).toFixed(3) + '%, ' + (2 * w) + 'px)';
        }
        found[i] = extension;
    });
    return img;
}

function fragmentOf(i) { return '#' + PHOTO + part(Fname[i]); }

// The entry the fragment of the current URL names, or -1.
function fragmentEntry() {
    var hash = window.location.hash.substring(1);
    if (hash.indexOf(PHOTO) !== 0)
        return -1;
    var name;
    try {
        name = decodeURIComponent(hash.substring(PHOTO.length));
    } catch (e) {
        return -1;
    }
    return Fname.indexOf(name);
}

function showTitle(title, suffix) {
    var heading = document.getElementById('album-heading');
    if (heading)
        heading.textContent = title;
    document.title = suffix ? suffix + ' - ' + title : title;
}

// ---- Index page ----

function buildIndex() {
    var title = rawText('albumon-title');
    var prefix = rawText('albumon-prefix');
    var folder = albumFolder(title);
    showTitle(title);
    var grid = document.getElementById('album-grid');
    if (!grid)
        return;
    // The plain list the page holds for visitors without scripts gives way to the cards, before
    // the page is first shown: its thumbnails, loaded lazily, are never fetched.
    grid.textContent = '';
    var count = entryCount();
    for (var i = 0; i < count; i += 1) {
        grid.appendChild(indexCard(folder, prefix, i));
    }
    loadCards(folder, prefix, grid);
    if (count === 0) {
        grid.appendChild(element('li', 'empty-album', '写真はまだありません'));
        return;
    }
    var viewer = makeViewer(folder, grid);
    window.addEventListener('hashchange', viewer.sync);
    viewer.sync();
    var card = /^#entry-(\d+)$/.exec(window.location.hash);
    var link = card && document.querySelector('#entry-' + card[1] + ' a');
    if (link) {
        link.scrollIntoView({block: 'center'});
        link.focus({preventScroll: true});
    }
}

function indexCard(folder, prefix, i) {
    var item = element('li', 'card');
    item.id = 'entry-' + (i + 1);
    var link = element('a', 'card-link');
    link.href = hasPage(i) ? folder + part(Fname[i] + '.htm') : fragmentOf(i);
    link.appendChild(element('span', 'thumb'));
    var caption = element('span', 'caption');
    caption.appendChild(element('span', 'number', String(i + 1)));
    if (captionOf(i))
        caption.appendChild(element('span', 'name', captionOf(i)));
    link.appendChild(caption);
    if (hasPage(i)) {
        link.classList.add('has-page');
        link.appendChild(element('span', 'badge', '解説'));
    }
    item.appendChild(link);
    return item;
}

// The thumbnails of the cards, once the grid is laid out: the cards of the first screen load at
// once, the others when they come near; each picks the card size its screen needs.
function loadCards(folder, prefix, grid) {
    var frames = grid.querySelectorAll('.thumb');
    var side = frames.length ? frames[0].clientWidth : 0;
    for (var i = 0; i < frames.length; i += 1) {
        var firstScreen = frames[i].getBoundingClientRect().top < window.innerHeight;
        var picture = pictureOf(i);
        frames[i].appendChild(picture ? cardPicture(folder, prefix, i, side, firstScreen)
                                      : thumbnail(folder, prefix, i, true));
    }
}

// The card thumbnail of entry i in a square frame of side CSS pixels: the design thumbnail as
// its src, the card sizes as its srcset.
function cardPicture(folder, prefix, i, side, eager) {
    var picture = pictureOf(i);
    var img = element('img');
    var shown = scaledTo(picture, side || 160);
    var card = scaledTo(picture, 160);
    img.alt = '';
    img.width = card.width;
    img.height = card.height;
    img.decoding = 'async';
    img.loading = eager ? 'eager' : 'lazy';
    img.style.width = 'min(100%, ' + (100 * picture.width / picture.height).toFixed(3) + '%)';
    img.sizes = shown.width + 'px';
    img.srcset = srcsetOf(folder, i, picture.cards, 480);
    img.src = folder + part(prefix + Fname[i] + picture.extension);
    return img;
}

// The viewer of the index page: shows the pictures without a page of their own over the grid.
// The URL's fragment says which picture is shown; stepping to an entry with a page opens it.
function makeViewer(folder, grid) {
    var dialog = element('dialog', 'viewer');
    dialog.setAttribute('aria-label', '写真');
    var close = viewerButton('viewer-close', '×', '閉じる (Esc)');
    var stage = element('div', 'viewer-stage');
    var photo = element('img', 'viewer-photo');
    stage.appendChild(photo);
    var prev = viewerButton('viewer-prev', '‹', '前の写真 (←)');
    var next = viewerButton('viewer-next', '›', '次の写真 (→)');
    var caption = element('p', 'viewer-caption');
    var name = element('span', 'viewer-name');
    var position = element('span', 'viewer-position');
    var original = element('a', 'viewer-original', '元の写真');
    caption.appendChild(name);
    caption.appendChild(position);
    caption.appendChild(original);
    dialog.appendChild(close);
    dialog.appendChild(stage);
    dialog.appendChild(caption);
    dialog.appendChild(prev);
    dialog.appendChild(next);
    document.body.appendChild(dialog);

    var shown = -1;      // the entry on show, -1 when the grid is shown
    var pushed = false;  // whether opening the viewer added a history entry
    var gridScroll = 0;

    // The display copies fitting the stage of entry i's picture, as a srcset with its sizes.
    function fitPicture(img, i) {
        var picture = pictureOf(i);
        var ratio = (picture.width / picture.height).toFixed(4);
        img.sizes = 'min(calc(100vw - 1.5rem), calc((100vh - 5.5rem) * ' + ratio + '))';
        img.srcset = srcsetOf(folder, i, picture.views, Infinity);
        img.src = folder + part(Fname[i] + picture.extension);
    }

    // The next picture, so a step shows it at once (the display copy the stage will take).
    function preload(i) {
        if (i < 0 || i >= entryCount() || hasPage(i))
            return;
        if (pictureOf(i))
            fitPicture(new Image(), i);
        else
            loadPicture(new Image(), folder, Fname[i], found[i], null);
    }

    function show(i) {
        if (!dialog.open) {
            gridScroll = window.scrollY;
            document.documentElement.classList.add('viewing');
            dialog.showModal();
            close.focus();
        }
        shown = i;
        photo.alt = captionOf(i) || Fname[i];
        photo.decoding = 'async';
        var picture = pictureOf(i);
        if (picture) {
            photo.width = picture.width;
            photo.height = picture.height;
            fitPicture(photo, i);
            original.href = folder + part(Fname[i] + picture.extension);
        } else {
            photo.removeAttribute('srcset');
            // The picture shown so far stays until the next one has loaded.
            loadPicture(photo, folder, Fname[i], found[i], function(extension) {
                if (extension) {
                    found[i] = extension;
                    original.href = photo.src;
                } else {
                    photo.removeAttribute('src');
                }
            });
        }
        name.textContent = captionOf(i);
        position.textContent = (i + 1) + ' / ' + entryCount();
        prev.hidden = i === 0;
        next.hidden = i === entryCount() - 1;
        // One neighbour ahead: the one a step forward shows.
        preload(i + 1);
    }

    function hide() {
        if (shown < 0)
            return;
        var card = document.getElementById('entry-' + (shown + 1));
        shown = -1;
        if (dialog.open)
            dialog.close();
        document.documentElement.classList.remove('viewing');
        window.scrollTo(0, gridScroll);
        if (card)
            card.querySelector('a').focus({preventScroll: true});
    }

    // Back to the grid: the history entry the viewer added is left, else the fragment dropped.
    function leave() {
        if (shown < 0)
            return;
        if (pushed) {
            pushed = false;
            hide();
            window.history.back();
            return;
        }
        hide();
        try {
            window.history.replaceState(null, '', window.location.pathname + window.location.search);
        } catch (e) {
            window.location.replace('#');
        }
    }

    function step(by) {
        var i = shown + by;
        if (shown < 0 || i < 0 || i >= entryCount())
            return;
        if (hasPage(i)) {
            window.location.href = folder + part(Fname[i] + '.htm');
        } else {
            window.location.replace(fragmentOf(i));
        }
    }

    function sync() {
        var i = fragmentEntry();
        if (i < 0) {
            pushed = false;
            hide();
        } else if (hasPage(i)) {
            window.location.replace(folder + part(Fname[i] + '.htm'));
        } else {
            show(i);
        }
    }

    // A plain click on a card adds the history entry of its fragment.
    grid.addEventListener('click', function(event) {
        if (event.button !== 0 || event.altKey || event.ctrlKey || event.metaKey ||
            event.shiftKey)
            return;
        var link = event.target.closest('a.card-link');
        if (link && !link.classList.contains('has-page') && shown < 0)
            pushed = true;
    });
    close.addEventListener('click', leave);
    prev.addEventListener('click', function() { step(-1); });
    next.addEventListener('click', function() { step(1); });
    // Esc closes the dialog by itself; the history follows here.
    dialog.addEventListener('close', leave);
    dialog.addEventListener('keydown', function(event) {
        if (event.altKey || event.ctrlKey || event.metaKey || event.shiftKey)
            return;
        if (event.key === 'ArrowLeft' || event.key === 'ArrowRight') {
            event.preventDefault();
            step(event.key === 'ArrowLeft' ? -1 : 1);
        }
    });
    var touch = null;
    dialog.addEventListener('touchstart', function(event) {
        touch = event.touches.length === 1 ? event.touches[0] : null;
        touch = touch && {x: touch.clientX, y: touch.clientY};
    }, {passive: true});
    dialog.addEventListener('touchend', function(event) {
        var end = event.changedTouches[0];
        if (!touch || !end)
            return;
        var dx = end.clientX - touch.x;
        var dy = end.clientY - touch.y;
        touch = null;
        if (Math.abs(dx) >= 50 && Math.abs(dx) > 1.5 * Math.abs(dy))
            step(dx < 0 ? 1 : -1);
    });
    return {sync: sync};
}

// ---- Picture page ----

// Whether node starts a line of its own in the flow of a note (a block, a line break).
function breaksLine(node) {
    if (node.nodeName === 'BR')
        return true;
    var display = window.getComputedStyle(node).display;
    return !/^inline/.test(display) && display !== 'none' && display !== 'contents';
}

// What lies beside node in direction dir (-1, 1) inside the note root: 'text' when inline
// content does, 'edge' when a block, a line break or the note's edge does.
function beside(node, dir, root) {
    for (var at = node; at !== root; at = at.parentNode) {
        var next = dir < 0 ? at.previousSibling : at.nextSibling;
        for (; next; next = dir < 0 ? next.previousSibling : next.nextSibling) {
            if (next.nodeType === Node.TEXT_NODE && next.data.trim() !== '')
                return 'text';
            if (next.nodeType === Node.ELEMENT_NODE) {
                if (breaksLine(next))
                    return 'edge';
                if (window.getComputedStyle(next).display !== 'none')
                    return 'text';
            }
        }
        if (at.parentNode === root || breaksLine(at.parentNode))
            return 'edge';
    }
    return 'edge';
}

// Shows the line breaks typed in a note as line breaks: a line end between two pieces of
// inline content becomes a <br>; one beside a block, a <br> or the note's edge is left alone.
function keepLineBreaks(root) {
    var walker = document.createTreeWalker(root, NodeFilter.SHOW_TEXT);
    var texts = [];
    for (var t = walker.nextNode(); t; t = walker.nextNode()) {
        var style = window.getComputedStyle(t.parentNode); // <style>, <script>: not shown
        if (t.data.indexOf('\n') >= 0 && style.display !== 'none' &&
            !/^(pre|break)/.test(style.whiteSpace))
            texts.push(t);
    }
    texts.forEach(function(text) {
        var lines = text.data.split('\n');
        var before = beside(text, -1, root) === 'text';
        var after = beside(text, 1, root) === 'text';
        var pieces = document.createDocumentFragment();
        for (var j = 0; j < lines.length; j += 1) {
            pieces.appendChild(document.createTextNode(lines[j]));
            if (j === lines.length - 1)
                break;
            var left = j > 0 || lines[j].trim() !== '' || before;
            var right = j + 1 < lines.length - 1 || lines[j + 1].trim() !== '' || after;
            pieces.appendChild(left && right ? document.createElement('br')
                                             : document.createTextNode('\n'));
        }
        text.parentNode.replaceChild(pieces, text);
    });
}

// The first line of a note as plain text: its text up to the first line break or block end.
function firstLine(root) {
    var line = '';
    var block = null;
    var walker = document.createTreeWalker(root, NodeFilter.SHOW_ELEMENT | NodeFilter.SHOW_TEXT);
    for (var node = walker.nextNode(); node; node = walker.nextNode()) {
        if (node.nodeName === 'BR' && line.trim())
            break;
        if (node.nodeType !== Node.TEXT_NODE || !node.data.trim() ||
            window.getComputedStyle(node.parentNode).display === 'none')
            continue;
        var at = node.parentNode;
        while (at !== root && !breaksLine(at))
            at = at.parentNode;
        if (block && at !== block)
            break;
        block = at;
        line += node.data;
    }
    return line.replace(/\s+/g, ' ').trim();
}

// The notes of the page, line breaks kept; returns the first line of the notes' text.
function tidyNotes() {
    var first = '';
    var cells = document.querySelectorAll('.note td');
    for (var c = 0; c < cells.length; c += 1) {
        keepLineBreaks(cells[c]);
        first = first || firstLine(cells[c]);
    }
    var notes = document.querySelectorAll('.note');
    for (var n = 0; n < notes.length; n += 1) {
        if (!notes[n].querySelector('table'))
            notes[n].classList.add('empty');
    }
    return first;
}

function isCommentary(w, h) {
    return (w === COMMENTARY.width && h === COMMENTARY.height) ||
        (w === COMMENTARY.height && h === COMMENTARY.width);
}

// Shows the page once the photo's box is known: from the photo's own size as soon as its
// header is read, else from its thumbnail's shape, else after SETTLE_MS without one.
function settlePhoto(photo, thumbUrl, width, height) {
    var body = document.body;
    var settled = false;
    body.classList.add('settling');
    function settle(w, h, own) {
        if (settled)
            return;
        settled = true;
        if (w > 0 && h > 0) {
            var figure = photo.closest('.photo');
            figure.style.setProperty('--photo-ratio', String(w / h));
            figure.style.setProperty('--photo-width', own ? w + 'px' : '100%');
            if (own && isCommentary(w, h))
                body.classList.add('commentary');
        }
        body.classList.remove('settling');
    }
    function watch() {
        if (width > 0 && height > 0)
            settle(width, height, true);
        else if (photo.naturalWidth > 0)
            settle(photo.naturalWidth, photo.naturalHeight, true);
        else if (!settled)
            window.requestAnimationFrame(watch);
    }
    watch();
    photo.addEventListener('error', function() { settle(0, 0, false); });
    var thumb = new Image();
    thumb.onload = function() {
        window.setTimeout(function() {
            settle(thumb.naturalWidth, thumb.naturalHeight, false);
        }, THUMB_GRACE_MS);
    };
    thumb.src = thumbUrl;
    window.setTimeout(function() { settle(0, 0, false); }, SETTLE_MS);
}

function buildPage() {
    var title = rawText('albumon-title');
    var prefix = rawText('albumon-prefix');
    var fileName = pageFileName(rawText('albumon-file'));
    var indexUrl = indexPage(title);
    showTitle(title, fileName);
    var firstLine = tidyNotes();

    var photo = document.getElementById('photo');
    var width = Number(photo.getAttribute('width'));
    var height = Number(photo.getAttribute('height'));
    if (width > 0 && height > 0) {
        photo.sizes = 'min(calc(100vw - 2rem), 62rem, calc((100vh - 9rem) * ' +
            (width / height).toFixed(4) + '))';
    }
    settlePhoto(photo, part(prefix + fileName), width, height);
    photo.src = part(fileName);
    photo.alt = firstLine || fileName;
    document.getElementById('photo-link').href = part(fileName);
    var caption = document.getElementById('photo-caption');
    caption.textContent = fileName;
    var original = element('a', 'photo-original', '元の写真');
    original.href = part(fileName);
    caption.appendChild(original);

    var own = Fname.indexOf(baseName(fileName));
    var back = own < 0 ? indexUrl : indexUrl + '#entry-' + (own + 1);
    document.getElementById('to-index').href = back;
    document.getElementById('index').href = back;
    if (own < 0)
        return;
    document.getElementById('position').textContent = String(own + 1);
    var links = {
        ArrowLeft: neighbour('prev', prefix, indexUrl, own - 1),
        ArrowRight: neighbour('next', prefix, indexUrl, own + 1),
        Escape: document.getElementById('index')
    };
    document.addEventListener('keydown', function(event) {
        if (event.altKey || event.ctrlKey || event.metaKey || event.shiftKey)
            return;
        var link = links[event.key];
        if (link && link.href)
            window.location.href = link.href;
    });
}

// Fills the link to entry i beside a picture page (its page, or the index page's viewer);
// null when there is no such entry.
function neighbour(id, prefix, indexUrl, i) {
    var link = document.getElementById(id);
    if (!link || i < 0 || i >= entryCount())
        return null;
    link.href = hasPage(i) ? part(Fname[i] + '.htm') : indexUrl + fragmentOf(i);
    link.title = Fname[i];
    link.setAttribute('aria-label', link.textContent + ': ' + Fname[i]);
    var frame = link.querySelector('.pager-thumb');
    if (frame)
        frame.appendChild(thumbnail('', prefix, i, false));
    link.hidden = false;
    return link;
}

function start() {
    if (document.body.classList.contains('albumon-page')) {
        buildPage();
    } else {
        buildIndex();
    }
}

if (document.readyState === 'loading') {
    document.addEventListener('DOMContentLoaded', start);
} else {
    start();
}
})();
